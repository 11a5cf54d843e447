// SPDX-License-Identifier: MIT
#include "base/files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

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

std::string inputFileProblem(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(nativePath(path), error);
    if (fs::is_regular_file(status)) return {};
    if (!fs::exists(status)) return std::string(kNoSuchFile);
    if (fs::is_directory(status)) return std::string(kIsADirectory);
    return std::string(kNotARegularFile);
}

std::FILE* openInputFile(const std::string& path, std::FILE* given, UniqueFile& owned,
                         std::string& problem) {
    if (given != nullptr) return given;
    problem = inputFileProblem(path);
    if (!problem.empty()) return nullptr;
    errno = 0;
    owned = openFile(path, "rb");
    if (!owned) problem = errno != 0 ? std::strerror(errno) : "it cannot be opened";
    return owned.get();
}

std::string shownPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) {
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

}  // namespace rq
