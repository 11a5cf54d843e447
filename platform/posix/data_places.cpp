// SPDX-License-Identifier: MIT
// The per-user data folder and the owner test of a folder on POSIX systems.
#include <unistd.h>

#include <cstdlib>

#include "base/path.h"
#include "platform/data_folder.h"

namespace rq {

std::string environmentText(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

const char* const kPerUserDataFolderHelp = "$XDG_DATA_HOME/Refquill";

std::string perUserDataFolder() {
    // A relative XDG_DATA_HOME is invalid by the XDG rules and is ignored.
    const std::string data = environmentText("XDG_DATA_HOME");
    if (!data.empty() && data.front() == '/') return joinPath(data, "Refquill");
    const std::string home = environmentText("HOME");
    if (home.empty() || home.front() != '/') return std::string();
    return joinPath(joinPath(home, ".local/share"), "Refquill");
}

bool folderIsTheUsers(const std::string& folder) {
    // Whatever lies under /usr is shared, read-only data by the file-system hierarchy, even
    // for a user (root) who could write there.
    if (folder == "/usr" || folder.rfind("/usr/", 0) == 0) return false;
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace rq
