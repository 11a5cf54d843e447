// SPDX-License-Identifier: MIT
#include "base/byte_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
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

}  // namespace
}  // namespace rq::test
