// SPDX-License-Identifier: MIT
#include "base/byte_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace rq::test {
namespace {

// The word-at-a-time scans agree with a byte-by-byte scan at every offset and length, also next
// to bytes that trip the word tricks (0x01 after a match, bytes above 0x7F, the match's
// neighbours in the code table).
TEST(ByteScan, WordScansAgreeWithByteScans) {
    constexpr ByteTable kMarked = byteTable("{}\n");
    const auto mayHold = [](std::uint64_t w) {
        return word::has(w, '{') | word::has(w, '}') | word::hasBelow(w, '\n' + 1);
    };
    const std::string alphabet("ab\x01\x0B\x80\xFF|z{}\n\t", 12);
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 40, 'a');
        for (char& c : text)
            if (random() % 4 == 0) c = alphabet[random() % alphabet.size()];
        const std::size_t start = text.empty() ? 0 : random() % (text.size() + 1);
        std::size_t want = start;
        while (want < text.size() && !kMarked[static_cast<unsigned char>(text[want])]) ++want;
        EXPECT_EQ(findMarked(text, start, kMarked, mayHold), want) << round;
        EXPECT_EQ(countByte(text, '\n'),
                  static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')))
            << round;
        EXPECT_EQ(countByte(text, '\x01'),
                  static_cast<std::size_t>(std::count(text.begin(), text.end(), '\x01')))
            << round;
    }
}

// The exact marks flag each byte value at each place in a word and nothing else, whatever its
// neighbours are (next to 0x00 and 0xFF the inexact tests above go wrong).
TEST(ByteScan, ExactMarksFlagOnlyTheirBytes) {
    for (const char fill : {'\x00', '\x21', '\x22', '\x7F', '\x80', '\xFF'}) {
        for (int value = 0; value < 256; ++value) {
            for (std::size_t at = 0; at < 8; ++at) {
                char bytes[8];
                std::fill(bytes, bytes + 8, fill);
                bytes[at] = static_cast<char>(value);
                const std::uint64_t w = word::load(bytes);
                const auto marked = [&](auto test) {
                    std::string places;
                    const std::uint64_t m = test(w);
                    for (std::size_t k = 0; k < 8; ++k) {
                        char probe[8] = {};
                        probe[k] = '\x80';
                        places += (m & word::load(probe)) != 0 ? '1' : '0';
                    }
                    return places;
                };
                const auto expected = [&](auto pass) {
                    std::string places;
                    for (const char b : bytes)
                        places += pass(static_cast<unsigned char>(b)) ? '1' : '0';
                    return places;
                };
                const std::string where = std::to_string(value) + "@" + std::to_string(at);
                EXPECT_EQ(marked([](std::uint64_t x) { return word::equalTo(x, '"'); }),
                          expected([](unsigned char b) { return b == '"'; }))
                    << where;
                EXPECT_EQ(marked([](std::uint64_t x) { return word::below(x, 0x20); }),
                          expected([](unsigned char b) { return b < 0x20; }))
                    << where;
                EXPECT_EQ(marked([](std::uint64_t x) { return word::below(x, 0x80); }),
                          expected([](unsigned char b) { return b < 0x80; }))
                    << where;
                if (value < 0x20 && static_cast<unsigned char>(fill) >= 0x20) {
                    EXPECT_EQ(word::firstMarked(word::below(w, 0x20)), at) << where;
                }
            }
        }
    }
}

// A mark moves to the next byte in memory; the last byte's mark becomes the next word's first.
TEST(ByteScan, MarksMoveToTheNextByte) {
    const auto markAt = [](std::size_t k) {
        char bytes[8] = {};
        if (k < 8) bytes[k] = '\x80';
        return word::load(bytes);
    };
    for (std::size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(word::toNextByte(markAt(k)), markAt(k + 1)) << k;
        EXPECT_EQ(word::lastToFirst(markAt(k)), k == 7 ? markAt(0) : 0) << k;
    }
}

// copyUnmarked stops at the first marked byte, wherever it stands next to the word and block
// edges, copies exactly the bytes before it, and stores no further than eight bytes past them.
TEST(ByteScan, CopyUnmarkedStopsAtEveryPlace) {
    const auto marks = [](std::uint64_t w) {
        return word::hasHigh(w) | word::below(w, 0x20) | word::equalTo(w, '"');
    };
    for (const char mark : {'"', '\x00', '\x1F', '\x80', '\xFF'}) {
        for (std::size_t size = 0; size <= 40; ++size) {
            for (std::size_t at = 0; at <= size; ++at) {  // at == size: no mark
                std::string text(size, 'a');
                for (std::size_t k = 0; k < size; ++k) text[k] = "! #~\x7F"[k % 5];
                if (at < size) text[at] = mark;
                for (const std::size_t from : {std::size_t{0}, at / 2, at}) {
                    std::string out(64, '*');
                    char* to = out.data() + 1;
                    const std::size_t stop = copyUnmarked(text, from, to, marks);
                    const std::string where = std::to_string(static_cast<unsigned char>(mark)) +
                                              " " + std::to_string(size) + " " +
                                              std::to_string(at) + " " + std::to_string(from);
                    EXPECT_EQ(stop, at) << where;
                    EXPECT_EQ(to, out.data() + 1 + (at - from)) << where;
                    EXPECT_EQ(out.substr(1, at - from), text.substr(from, at - from)) << where;
                    EXPECT_EQ(out[0], '*') << where;
                    EXPECT_EQ(out.find_first_not_of('*', at - from + 9), std::string::npos)
                        << where;
                }
            }
        }
    }
}

}  // namespace
}  // namespace rq::test
