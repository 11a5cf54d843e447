// SPDX-License-Identifier: MIT
#include "base/native_path.h"

namespace rq {

std::filesystem::path nativePath(std::string_view utf8Path) {
    return std::filesystem::path(std::u8string(utf8Path.begin(), utf8Path.end()));
}

std::string utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace rq
