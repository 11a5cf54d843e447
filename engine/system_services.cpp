// SPDX-License-Identifier: MIT
#include "engine/system_services.h"

#include "engine/file_replace.h"

namespace rq {

bool SystemServices::killProcess(ProcessHandle&) {
    return false;
}

std::unique_ptr<ReplacementFile> SystemServices::beginReplace(const std::string& path,
                                                              std::string& reason) {
    return beginStandardReplace(path, reason);
}

FolderLock SystemServices::tryLockProgramFolder(const std::string&) {
    return FolderLock::Acquired;
}

}  // namespace rq
