// SPDX-License-Identifier: MIT
// POSIX folders have one name, and Qt's file dialog is the one the tests know.
#include "shell/native_names.h"

namespace rq {

QString longFolderName(const QString& path) {
    return path;
}

bool useNativeFileDialogs() {
    return false;
}

}  // namespace rq
