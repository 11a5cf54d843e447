// SPDX-License-Identifier: MIT
#include "base/native_path.h"

namespace rq {

std::FILE* openNativeFile(std::string_view utf8Path, const char* mode) {
    return std::fopen(std::string(utf8Path).c_str(), mode);
}

}  // namespace rq
