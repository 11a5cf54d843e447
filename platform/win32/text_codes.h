// SPDX-License-Identifier: MIT
#pragma once
// Text codes at the edge of the Win32 layer: the program's text is UTF-8, the system's calls
// take UTF-16, and files that other programs read keep the ANSI code page's bytes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rq {

// `text` in code page `codePage` as UTF-16 (`flags` as for MultiByteToWideChar); empty when
// the flags refuse it.
std::wstring wideFromCodePage(unsigned codePage, std::string_view text, unsigned long flags = 0);
std::wstring wideFromUtf8(const std::string& utf8);
std::string utf8FromWide(const wchar_t* wide, std::size_t length);
inline std::string utf8FromWide(const std::wstring& wide) {
    return utf8FromWide(wide.data(), wide.size());
}

// `utf8` in the ANSI code page (`codePage`, the system's by default) with no best-fit
// substitutes: nullopt when a character has no place there ("Ł" in 1252 does not become "L").
std::optional<std::string> ansiFromUtf8(const std::string& utf8, unsigned codePage = 0);
// The same for text only read by people: what has no place there (or is no UTF-8) becomes "?".
std::string readableAnsiFromUtf8(std::string_view utf8, unsigned codePage = 0);

}  // namespace rq
