// SPDX-License-Identifier: MIT
// The desktop program. It takes no options; it finds the converter beside itself and keeps its
// files there too, or in the user's data folder when the program folder is not the user's.
#include "base/path.h"
#include "platform/data_folder.h"
#include "platform/platform.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    const auto system = rq::createSystemServices();
    std::string program = rq::executablePath();
    if (program.empty() && argc > 0) program = argv[0];
    const std::string programFolder = rq::folderOf(program);
    const rq::DataFolderChoice data = rq::chooseDataFolder(programFolder, std::string());
    // A folder that cannot be made is not reported here, as for the working folders: the file
    // operations that need it fail with their own messages.
    rq::prepareDataFolder(data, programFolder);
    return rq::runDesktopProgram(argc, argv, *system,
                                 rq::ProgramFolders(data.folder, programFolder));
}
