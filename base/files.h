// SPDX-License-Identifier: MIT
#pragma once
// The file helpers the engine, the platform services and the converter share, all on the
// standard library: a FILE handle that closes itself, a whole-file read and why a path cannot
// be an input.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "base/native_path.h"

namespace rq {

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr) std::fclose(file);
    }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// `path` is UTF-8; on Windows it is opened by its wide form, so that any name works.
inline UniqueFile openFile(const std::string& path, const char* mode) {
    return UniqueFile(openNativeFile(path, mode));
}

enum class ReadResult { Read, Missing, Failed };

// The whole file into `contents`, which is left alone unless the result is Read. Missing only
// when there is no file at `path`; every other failure is Failed.
ReadResult readWholeFile(const std::string& path, std::string& contents);

// The reasons for a file that cannot be an input, in the same words on every system.
inline constexpr std::string_view kNoSuchFile = "No such file or directory";
inline constexpr std::string_view kIsADirectory = "Is a directory";
inline constexpr std::string_view kNotARegularFile = "not a regular file";
// Why `path` cannot be read as an input: empty for a regular file (or a link to one), else one
// of the reasons above. A pipe or a device would be read until the disk is full, or forever.
std::string inputFileProblem(const std::string& path);

// The input a reader takes: `given` when the caller opened it (standard input), else `path`,
// opened into `owned`. Null with `problem` set (the system's words) when it cannot be read.
std::FILE* openInputFile(const std::string& path, std::FILE* given, UniqueFile& owned,
                         std::string& problem);

// `path` as a message or a log line shows it: control characters (a newline in a name would
// forge lines) become escapes such as \n and \x1b.
std::string shownPath(std::string_view path);

}  // namespace rq
