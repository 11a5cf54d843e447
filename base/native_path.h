// SPDX-License-Identifier: MIT
#pragma once
// Paths are UTF-8 text inside the program. These turn such a path into what the standard
// library's file functions take, so that on Windows every name reaches the system whole (as
// UTF-16) instead of through the ANSI code page. On POSIX the bytes pass unchanged.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace rq {

std::filesystem::path nativePath(std::string_view utf8Path);
std::string utf8Path(const std::filesystem::path& path);

// std::fopen for a UTF-8 path; `mode` as for std::fopen. The C runtime's wide fopen on Windows:
// CMake picks stdio/open_file_win32.cpp or stdio/open_file_posix.cpp.
std::FILE* openNativeFile(std::string_view utf8Path, const char* mode);

}  // namespace rq
