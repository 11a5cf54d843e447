// SPDX-License-Identifier: MIT
#pragma once
// Finding the next byte of interest eight bytes at a time, for the readers and writers of large
// files: most bytes of a value are plain text that is copied in runs.

#include <array>
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

}  // namespace rq
