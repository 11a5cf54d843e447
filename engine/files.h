// SPDX-License-Identifier: MIT
#pragma once
// The file helpers the engine, the platform services and the converter share, all on the
// standard library: a FILE handle that closes itself and a whole-file read.

#include <cstdio>
#include <memory>
#include <string>

#include "engine/native_path.h"

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

}  // namespace rq
