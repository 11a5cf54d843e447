// SPDX-License-Identifier: MIT
#include "platform/data_folder.h"

#include <filesystem>
#include <system_error>

#include "base/native_path.h"
#include "base/path.h"
#include "engine/strategy_file.h"

namespace rq {

namespace {
std::string absoluteFolder(const std::string& folder) {
    if (folder.empty()) return folder;
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(nativePath(folder), error);
    if (error) return folder;
    // Without a trailing separator, as the program folder always is.
    return folderOf(joinPath(utf8Path(full.lexically_normal()), "x"));
}
}  // namespace

DataFolderChoice decideDataFolder(const DataFolderInputs& inputs) {
    if (!inputs.homeOption.empty()) return {inputs.homeOption, DataFolderSource::HomeOption};
    if (!inputs.homeVariable.empty()) return {inputs.homeVariable, DataFolderSource::HomeVariable};
    if (inputs.programFolderIsTheUsers || inputs.perUserFolder.empty())
        return {inputs.programFolder, DataFolderSource::ProgramFolder};
    return {inputs.perUserFolder, DataFolderSource::PerUser};
}

DataFolderChoice chooseDataFolder(const std::string& programFolder, const std::string& homeOption) {
    DataFolderInputs inputs;
    inputs.programFolder = programFolder;
    inputs.homeOption = absoluteFolder(homeOption);
    inputs.homeVariable = absoluteFolder(environmentText(kHomeVariable));
    if (inputs.homeOption.empty() && inputs.homeVariable.empty()) {
        inputs.programFolderIsTheUsers = folderIsTheUsers(programFolder);
        if (!inputs.programFolderIsTheUsers) inputs.perUserFolder = perUserDataFolder();
    }
    return decideDataFolder(inputs);
}

std::string prepareDataFolder(const DataFolderChoice& choice, const std::string& programFolder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(nativePath(choice.folder), error)) {
        fs::create_directories(nativePath(choice.folder), error);
        if (error)
            return "Could not create the data folder " + choice.folder + ": " + error.message();
    }
    if (choice.source != DataFolderSource::PerUser) return std::string();
    const std::string own = joinPath(choice.folder, kStrategyFileName);
    const std::string shipped = joinPath(programFolder, kStrategyFileName);
    if (fs::exists(nativePath(own), error) || !fs::is_regular_file(nativePath(shipped), error)) {
        return std::string();
    }
    fs::copy_file(nativePath(shipped), nativePath(own), error);
    if (!error) return std::string();
    return "Could not copy the strategy file " + shipped + " to " + own + ": " + error.message();
}

}  // namespace rq
