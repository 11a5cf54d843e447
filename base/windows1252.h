// SPDX-License-Identifier: MIT
#pragma once
// Windows-1252, the code page of every file the program and the handheld keep, against the
// Unicode text of other programs (UTF-8 names on POSIX, reference files of other managers).
// A character the code page lacks is folded, not dropped: a Latin letter with a diacritic
// becomes its base letter (č to c, ł to l, ő to o, ı to i), anything else becomes '?'.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rq {

// The byte that stands for `c` in Windows-1252, or nullopt when the code page has no place for it.
std::optional<char> windows1252Byte(char32_t c);
// The character of a Windows-1252 byte. The five bytes the code page leaves undefined stand for
// the C1 controls of the same number, as Windows reads them, so that every byte survives.
char32_t windows1252CodePoint(unsigned char b);
// The base letter of a Latin letter with diacritics that Windows-1252 lacks; '\0' for any
// other character.
char latinBaseLetter(char32_t c);

// Reads one UTF-8 character at `at`. Returns the bytes it takes, or 0 for a byte that starts no
// valid character (overlong forms, surrogates and values past U+10FFFF are not valid).
std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& c);
bool isValidUtf8(std::string_view text);
void appendUtf8(std::string& out, char32_t c);

struct Windows1252Text {
    std::string text;
    std::size_t replaced = 0;  // characters folded, turned into '?', or invalid bytes
};
// UTF-8 to Windows-1252 with folding. A combining accent after a letter joins it where the code
// page has the accented letter (e + U+0301 gives é) and is dropped otherwise.
Windows1252Text utf8ToWindows1252(std::string_view utf8);
// Decoded characters to Windows-1252, appended to `out`; returns how many were replaced.
std::size_t appendWindows1252(std::string& out, std::u32string_view text);
std::string windows1252ToUtf8(std::string_view text);

}  // namespace rq
