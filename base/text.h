// SPDX-License-Identifier: MIT
#pragma once
// Byte-level text rules that several readers share. Every file is single-byte text; letter case
// is folded for ASCII letters only, so that no other byte of a code page changes its meaning.

#include <algorithm>
#include <string_view>

namespace rq {

// Bytes 0x01 to 0x20: what the CSV readers drop around values and lines.
constexpr bool isBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

constexpr char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

}  // namespace rq
