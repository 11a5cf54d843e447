// SPDX-License-Identifier: MIT
// Windows: long folder names through GetLongPathNameW, and the system's file dialogs.
#include <windows.h>

#include <QDir>
#include <vector>

#include "shell/native_names.h"

namespace rq {

QString longFolderName(const QString& path) {
    if (path.isEmpty()) return path;
    const std::wstring wide = QDir::toNativeSeparators(path).toStdWString();
    const DWORD length = ::GetLongPathNameW(wide.c_str(), nullptr, 0);
    if (length == 0) return path;
    std::vector<wchar_t> buffer(length);
    const DWORD written = ::GetLongPathNameW(wide.c_str(), buffer.data(), length);
    if (written == 0 || written >= length) return path;
    return QString::fromWCharArray(buffer.data(), qsizetype(written));
}

bool useNativeFileDialogs() {
    return true;
}

}  // namespace rq
