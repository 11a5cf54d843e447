// SPDX-License-Identifier: MIT
// The C runtime's fopen reads names in the ANSI code page; _wfopen takes every name.
#include <stdio.h>

#include "base/native_path.h"

namespace rq {

std::FILE* openNativeFile(std::string_view utf8Path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return ::_wfopen(nativePath(utf8Path).c_str(), wideMode.c_str());
}

}  // namespace rq
