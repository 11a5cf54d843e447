// SPDX-License-Identifier: MIT
#include "base/windows1252.h"

#include <array>
#include <cstdint>

namespace rq {

namespace {

// Bytes 0x80 to 0x9F; 0 where the code page defines no character.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Base letters of U+0100 to U+017F, Latin Extended-A; the few that Windows-1252 holds
// (Œ œ Š š Ÿ Ž ž) never get here.
constexpr std::string_view kLatinExtendedA =
    "AaAaAaCcCcCcCcDd"
    "DdEeEeEeEeEeGgGg"
    "GgGgHhHhIiIiIiIi"
    "IiIiJjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOo"
    "OoOoRrRrRrSsSsSs"
    "SsTtTtTtUuUuUuUu"
    "UuUuWwYyYZzZzZzs";

// U+1E00 to U+1E95 are upper and lower case pairs in alphabetical runs: a letter and how many
// pairs carry it as their base.
struct Run {
    char letter;
    char32_t pairs;
};
constexpr Run kLatinExtendedAdditionalRuns[] = {
    {'A', 1}, {'B', 3}, {'C', 1}, {'D', 5}, {'E', 5}, {'F', 1}, {'G', 1}, {'H', 5},
    {'I', 2}, {'K', 3}, {'L', 4}, {'M', 3}, {'N', 4}, {'O', 4}, {'P', 2}, {'R', 4},
    {'S', 5}, {'T', 4}, {'U', 5}, {'V', 2}, {'W', 5}, {'X', 2}, {'Y', 1}, {'Z', 3}};
// U+1EA0 to U+1EF9 (mostly Vietnamese), in the same way.
constexpr Run kVietnameseRuns[] = {{'A', 12}, {'E', 8}, {'I', 2}, {'O', 12}, {'U', 7}, {'Y', 4}};

template <std::size_t N>
char baseFromRuns(const Run (&runs)[N], char32_t first, char32_t c) {
    char32_t at = first;
    for (const Run& run : runs) {
        if (c < at + 2 * run.pairs) {
            const bool lower = (c - at) % 2 == 1;
            return lower ? static_cast<char>(run.letter - 'A' + 'a') : run.letter;
        }
        at += 2 * run.pairs;
    }
    return '\0';
}

struct LatinExtendedB {
    char32_t c;
    char base;
};
constexpr LatinExtendedB kLatinExtendedB[] = {
    {0x0180, 'b'}, {0x0181, 'B'}, {0x0187, 'C'}, {0x0188, 'c'}, {0x0189, 'D'}, {0x018A, 'D'},
    {0x0191, 'F'}, {0x0193, 'G'}, {0x0197, 'I'}, {0x0198, 'K'}, {0x0199, 'k'}, {0x019A, 'l'},
    {0x019D, 'N'}, {0x019E, 'n'}, {0x019F, 'O'}, {0x01A0, 'O'}, {0x01A1, 'o'}, {0x01AB, 't'},
    {0x01AC, 'T'}, {0x01AD, 't'}, {0x01AE, 'T'}, {0x01AF, 'U'}, {0x01B0, 'u'}, {0x01B3, 'Y'},
    {0x01B4, 'y'}, {0x01B5, 'Z'}, {0x01B6, 'z'}, {0x01CD, 'A'}, {0x01CE, 'a'}, {0x01CF, 'I'},
    {0x01D0, 'i'}, {0x01D1, 'O'}, {0x01D2, 'o'}, {0x01D3, 'U'}, {0x01D4, 'u'}, {0x01D5, 'U'},
    {0x01D6, 'u'}, {0x01D7, 'U'}, {0x01D8, 'u'}, {0x01D9, 'U'}, {0x01DA, 'u'}, {0x01DB, 'U'},
    {0x01DC, 'u'}, {0x01DE, 'A'}, {0x01DF, 'a'}, {0x01E4, 'G'}, {0x01E5, 'g'}, {0x01E6, 'G'},
    {0x01E7, 'g'}, {0x01E8, 'K'}, {0x01E9, 'k'}, {0x01EA, 'O'}, {0x01EB, 'o'}, {0x01F0, 'j'},
    {0x01F4, 'G'}, {0x01F5, 'g'}, {0x01F8, 'N'}, {0x01F9, 'n'}, {0x01FA, 'A'}, {0x01FB, 'a'},
    {0x01FE, 'O'}, {0x01FF, 'o'}, {0x0200, 'A'}, {0x0201, 'a'}, {0x0202, 'A'}, {0x0203, 'a'},
    {0x0204, 'E'}, {0x0205, 'e'}, {0x0206, 'E'}, {0x0207, 'e'}, {0x0208, 'I'}, {0x0209, 'i'},
    {0x020A, 'I'}, {0x020B, 'i'}, {0x020C, 'O'}, {0x020D, 'o'}, {0x020E, 'O'}, {0x020F, 'o'},
    {0x0210, 'R'}, {0x0211, 'r'}, {0x0212, 'R'}, {0x0213, 'r'}, {0x0214, 'U'}, {0x0215, 'u'},
    {0x0216, 'U'}, {0x0217, 'u'}, {0x0218, 'S'}, {0x0219, 's'}, {0x021A, 'T'}, {0x021B, 't'},
    {0x021E, 'H'}, {0x021F, 'h'}, {0x0226, 'A'}, {0x0227, 'a'}, {0x0228, 'E'}, {0x0229, 'e'},
    {0x022E, 'O'}, {0x022F, 'o'}, {0x0232, 'Y'}, {0x0233, 'y'}, {0x0237, 'j'}, {0x1E9E, 'S'},
};

// The accented letters of the code page, as base letter and combining accent, so that text in
// decomposed form (e followed by U+0301) comes out as the one byte of é.
struct Composition {
    char base;
    char16_t accent;
    char16_t letter;
};
constexpr Composition kCompositions[] = {
    {'A', 0x300, 0xC0},  {'A', 0x301, 0xC1}, {'A', 0x302, 0xC2},  {'A', 0x303, 0xC3},
    {'A', 0x308, 0xC4},  {'A', 0x30A, 0xC5}, {'C', 0x327, 0xC7},  {'E', 0x300, 0xC8},
    {'E', 0x301, 0xC9},  {'E', 0x302, 0xCA}, {'E', 0x308, 0xCB},  {'I', 0x300, 0xCC},
    {'I', 0x301, 0xCD},  {'I', 0x302, 0xCE}, {'I', 0x308, 0xCF},  {'N', 0x303, 0xD1},
    {'O', 0x300, 0xD2},  {'O', 0x301, 0xD3}, {'O', 0x302, 0xD4},  {'O', 0x303, 0xD5},
    {'O', 0x308, 0xD6},  {'U', 0x300, 0xD9}, {'U', 0x301, 0xDA},  {'U', 0x302, 0xDB},
    {'U', 0x308, 0xDC},  {'Y', 0x301, 0xDD}, {'Y', 0x308, 0x178}, {'S', 0x30C, 0x160},
    {'Z', 0x30C, 0x17D}, {'y', 0x308, 0xFF}, {'s', 0x30C, 0x161}, {'z', 0x30C, 0x17E},
};

constexpr bool isCombiningAccent(char32_t c) {
    return c >= 0x300 && c <= 0x36F;
}

std::optional<char> composed(char base, char32_t accent) {
    for (const Composition& k : kCompositions) {
        if (k.accent != accent) continue;
        // The lower-case letters of Latin-1 lie 0x20 above their capitals.
        if (k.base == base) return windows1252Byte(k.letter);
        if (k.letter < 0x100 && k.base >= 'A' && k.base <= 'Z' && base == k.base + 0x20) {
            return static_cast<char>(k.letter + 0x20);
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<char> windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    if (c <= 0x9F) {
        if (kHighControls[c - 0x80] == 0) return static_cast<char>(c);
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

char32_t windows1252CodePoint(unsigned char b) {
    if (b < 0x80 || b >= 0xA0) return b;
    const char16_t c = kHighControls[b - 0x80];
    return c == 0 ? b : c;
}

char latinBaseLetter(char32_t c) {
    if (c >= 0x100 && c <= 0x17F) return kLatinExtendedA[c - 0x100];
    if (c >= 0x1E00 && c <= 0x1E95) return baseFromRuns(kLatinExtendedAdditionalRuns, 0x1E00, c);
    if (c >= 0x1EA0 && c <= 0x1EF9) return baseFromRuns(kVietnameseRuns, 0x1EA0, c);
    for (const LatinExtendedB& k : kLatinExtendedB) {
        if (k.c == c) return k.base;
    }
    return '\0';
}

std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, c = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80) return 0;
        c = c << 6 | (next & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

bool isValidUtf8(std::string_view text) {
    char32_t c = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = decodeUtf8(text, at, c);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

namespace {

// Appends one character; returns whether it had to be replaced.
bool appendOne(std::string& out, char32_t c, bool& lastIsBaseLetter) {
    if (isCombiningAccent(c)) {
        const bool joins = lastIsBaseLetter;
        lastIsBaseLetter = false;
        if (joins) {
            if (const std::optional<char> letter = composed(out.back(), c)) {
                out.back() = *letter;
                return false;
            }
        }
        return true;  // dropped: the letter before it stays
    }
    lastIsBaseLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (const std::optional<char> b = windows1252Byte(c)) {
        out += *b;
        return false;
    }
    const char base = latinBaseLetter(c);
    out += base != '\0' ? base : '?';
    return true;
}

}  // namespace

std::size_t appendWindows1252(std::string& out, std::u32string_view text) {
    std::size_t replaced = 0;
    bool lastIsBaseLetter = false;
    for (const char32_t c : text) replaced += appendOne(out, c, lastIsBaseLetter) ? 1 : 0;
    return replaced;
}

Windows1252Text utf8ToWindows1252(std::string_view utf8) {
    Windows1252Text result;
    result.text.reserve(utf8.size());
    bool lastIsBaseLetter = false;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = decodeUtf8(utf8, at, c);
        if (length == 0) {
            result.text += '?';
            ++result.replaced;
            lastIsBaseLetter = false;
            ++at;
            continue;
        }
        if (appendOne(result.text, c, lastIsBaseLetter)) ++result.replaced;
        at += length;
    }
    return result;
}

std::string windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char b : text) appendUtf8(out, windows1252CodePoint(static_cast<unsigned char>(b)));
    return out;
}

}  // namespace rq
