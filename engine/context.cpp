// SPDX-License-Identifier: MIT
#include "engine/context.h"

#include "base/path.h"

namespace rq {

ConversionContext::ConversionContext(HostServices& hostServices, SystemServices& systemServices,
                                     StrategyWindow& strategyWindow)
    : host(hostServices), system(systemServices), window(strategyWindow) {}

void ConversionContext::requestStop(StopRequest request) noexcept {
    // The stronger request stays: quitting is not undone by a later Cancel of one file.
    int current = stopRequest_.load();
    const int wanted = static_cast<int>(request);
    while (current < wanted && !stopRequest_.compare_exchange_weak(current, wanted)) {
    }
}

void ConversionContext::clearFileStop() noexcept {
    int expected = static_cast<int>(StopRequest::ThisFile);
    stopRequest_.compare_exchange_strong(expected, static_cast<int>(StopRequest::None));
}

void ConversionContext::setProgramFolder(std::string folder) {
    programFolder = std::move(folder);
    workFolder = joinPath(programFolder, kWorkFolderName);
    converterFolder = programFolder;
}

void ConversionContext::setFolders(const ProgramFolders& folders) {
    setProgramFolder(folders.data);
    converterFolder = folders.programs;
}

}  // namespace rq
