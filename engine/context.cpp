#include "engine/context.h"

#include "engine/path.h"

namespace rq {

ConversionContext::ConversionContext(HostServices& hostServices, SystemServices& systemServices,
                                     StrategyWindow& strategyWindow)
    : host(hostServices),
      system(systemServices),
      window(strategyWindow),
      recordText(new char[kRecordTextSize + 2]),
      valueBuffer(new char[kValueBufferSize]),
      lineBuffer(new char[kLineBufferSize]) {}

void ConversionContext::setProgramFolder(std::string folder) {
    programFolder = std::move(folder);
    workFolder = joinPath(programFolder, "RQWork");
    converterFolder = programFolder;
}

void ConversionContext::setFolders(const ProgramFolders& folders) {
    setProgramFolder(folders.data);
    converterFolder = folders.programs;
}

}  // namespace rq
