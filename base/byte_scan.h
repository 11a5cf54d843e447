// SPDX-License-Identifier: MIT
#pragma once
// Finding the next byte of interest eight bytes at a time, for the readers and writers of large
// files: most bytes of a value are plain text that is copied in runs.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace rq {

using ByteTable = std::array<bool, 256>;

constexpr ByteTable byteTable(std::string_view bytes) {
    ByteTable table{};
    for (const char c : bytes) table[static_cast<unsigned char>(c)] = true;
    return table;
}

namespace word {
inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

inline std::uint64_t load(const char* bytes) {
    std::uint64_t w;
    std::memcpy(&w, bytes, sizeof w);
    return w;
}
// Nonzero when one of the eight bytes is `byte`.
constexpr std::uint64_t has(std::uint64_t w, unsigned char byte) {
    const std::uint64_t v = w ^ (kOnes * byte);
    return (v - kOnes) & ~v & kHighBits;
}
// Nonzero when one of the eight bytes is below `limit` (at most 0x80).
constexpr std::uint64_t hasBelow(std::uint64_t w, unsigned char limit) {
    return (w - kOnes * limit) & ~w & kHighBits;
}
// Nonzero when one of the eight bytes is 0x80 or above.
constexpr std::uint64_t hasHigh(std::uint64_t w) {
    return w & kHighBits;
}

// Exact marks: the high bit of each byte that passes and of no other, so that a mark can be
// taken from either end of the word. (The tests above may mark bytes after a passing one.)
inline constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
// The bytes equal to `byte` (below 0x80).
constexpr std::uint64_t equalTo(std::uint64_t w, unsigned char byte) {
    const std::uint64_t v = (w & kLow7) ^ (kOnes * byte);
    return ~((v + kLow7) | w) & kHighBits;
}
// The bytes below `limit` (at most 0x80).
constexpr std::uint64_t below(std::uint64_t w, unsigned char limit) {
    return ~(((w & kLow7) + kOnes * (0x80U - limit)) | w) & kHighBits;
}
// The place in memory of the first marked byte of a nonzero exact mark.
constexpr std::size_t firstMarked(std::uint64_t marks) {
    if constexpr (std::endian::native == std::endian::big)
        return static_cast<std::size_t>(std::countl_zero(marks)) / 8;
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
}
// The last `count` (1 to 7) of the eight bytes at `bytes`, moved to the front of a word.
inline std::uint64_t loadLast(const char* bytes, std::size_t count) {
    const std::uint64_t w = load(bytes);
    if constexpr (std::endian::native == std::endian::big) return w << (64 - 8 * count);
    return w >> (64 - 8 * count);
}
// The `count` (1 to 7) bytes at `bytes` as the front of a word, in loads that overlap rather
// than a copy of a variable length (its bytes, stored one by one, would be read back as one word
// only after a stall).
inline std::uint64_t loadFew(const char* bytes, std::size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        const auto at = [bytes](std::size_t k) {
            return static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[k]));
        };
        if (count >= 4) {
            std::uint32_t front, back;
            std::memcpy(&front, bytes, 4);
            std::memcpy(&back, bytes + count - 4, 4);
            return front | static_cast<std::uint64_t>(back) << (8 * (count - 4));
        }
        return at(0) | at(count / 2) << (8 * (count / 2)) | at(count - 1) << (8 * (count - 1));
    }
    unsigned char few[8] = {};
    std::memcpy(few, bytes, count);
    return load(reinterpret_cast<const char*>(few));
}
// Each mark moved to the byte after it in memory; the last byte's mark goes.
constexpr std::uint64_t toNextByte(std::uint64_t marks) {
    if constexpr (std::endian::native == std::endian::big) return marks >> 8;
    return marks << 8;
}
// The last byte's mark as a mark of the first byte (of the next word).
constexpr std::uint64_t lastToFirst(std::uint64_t marks) {
    if constexpr (std::endian::native == std::endian::big) return marks << 56;
    return marks >> 56;
}
// The high bits of the first `count` bytes in memory (count below 8).
constexpr std::uint64_t firstBytes(std::size_t count) {
    if constexpr (std::endian::native == std::endian::big)
        return ~(~std::uint64_t{0} >> (8 * count)) & kHighBits;
    return ((std::uint64_t{1} << (8 * count)) - 1) & kHighBits;
}
}  // namespace word

// How many times `byte` occurs in `text`. Counted in chunks short enough for a one-byte count,
// which the compiler turns into vector compares (wider counters would cost more).
inline std::size_t countByte(std::string_view text, char byte) {
    constexpr std::size_t kChunk = 240;  // a multiple of the vector width, below 256
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at += kChunk) {
        const std::size_t end = text.size() - at < kChunk ? text.size() : at + kChunk;
        unsigned char inChunk = 0;
        for (std::size_t i = at; i < end; ++i) inChunk += text[i] == byte ? 1 : 0;
        count += inChunk;
    }
    return count;
}

// The first byte at `pos` or after that `table` marks; text.size() when there is none.
// `mayHold(w)` must be nonzero for every word that holds a marked byte (it may be nonzero for
// others too): words it clears are skipped whole.
template <typename WordTest>
std::size_t findMarked(std::string_view text, std::size_t pos, const ByteTable& table,
                       WordTest mayHold) {
    const char* const s = text.data();
    const std::size_t n = text.size();
    for (;;) {
        while (pos + 8 <= n && mayHold(word::load(s + pos)) == 0) pos += 8;
        const std::size_t stop = pos + 8 < n ? pos + 8 : n;
        for (; pos < stop; ++pos)
            if (table[static_cast<unsigned char>(s[pos])]) return pos;
        if (pos >= n) return n;
    }
}

// Copies `text` from `pos` to `to` up to the first byte that `marks` marks, and returns that
// byte's place (text.size() when there is none); `to` moves past the copy. `marks(w)` gives the
// exact marks of a word (see word::equalTo). Whole words are stored: `to` needs room for eight
// bytes beyond the copy.
template <typename WordMarks>
std::size_t copyUnmarked(std::string_view text, std::size_t pos, char*& to, WordMarks marks) {
    const char* const s = text.data();
    const std::size_t n = text.size();
    for (; pos + 8 <= n; pos += 8, to += 8) {
        const std::uint64_t w = word::load(s + pos);
        std::memcpy(to, &w, sizeof w);
        if (const std::uint64_t m = marks(w)) {
            const std::size_t k = word::firstMarked(m);
            to += k;
            return pos + k;
        }
    }
    if (pos >= n) return n;
    // The last few bytes as the front of a word, the rest of which is not looked at.
    const std::uint64_t w =
        n >= 8 ? word::loadLast(s + n - 8, n - pos) : word::loadFew(s + pos, n - pos);
    std::memcpy(to, &w, sizeof w);
    const std::uint64_t m = marks(w) & word::firstBytes(n - pos);
    const std::size_t k = m != 0 ? word::firstMarked(m) : n - pos;
    to += k;
    return pos + k;
}

}  // namespace rq
