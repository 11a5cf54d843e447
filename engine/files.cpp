// SPDX-License-Identifier: MIT
#include "engine/files.h"

#include <cerrno>

namespace rq {

ReadResult readWholeFile(const std::string& path, std::string& contents) {
    errno = 0;
    const UniqueFile file = openFile(path, "rb");
    if (!file) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    std::string text;
    char block[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) text.append(block, got);
    if (std::ferror(file.get()) != 0) return ReadResult::Failed;
    contents = std::move(text);
    return ReadResult::Read;
}

}  // namespace rq
