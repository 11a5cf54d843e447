// SPDX-License-Identifier: MIT
// Unicode text into the code page of the handheld: what stays, what folds, what becomes '?'.
#include "base/windows1252.h"

#include <gtest/gtest.h>

#include <string>

namespace rq {
namespace {

TEST(Windows1252, FoldsWhatTheCodePageLacks) {
    struct Case {
        const char* utf8;
        std::string expected;
        std::size_t replaced;
    };
    const Case cases[] = {
        {"plain ASCII\t\r\n", "plain ASCII\t\r\n", 0},
        {"Caf\xc3\xa9 \xe2\x80\x93 \xe2\x82\xac \xc5\x93 \xc5\xb8", "Caf\xe9 \x96 \x80 \x9c \x9f",
         0},
        // Polish, Czech, Hungarian, Turkish, Romanian and Vietnamese letters keep their base.
        {"\xc5\x81\xc3\xb3\x64\xc5\xba",
         "L\xf3"
         "dz",
         2},
        {"\xc4\x8d\xc5\x99\xc5\x91\xc4\xb1\xc8\x99\xe1\xbb\x87\xe1\xb8\x8d",
         "crois"
         "ed",
         7},
        {"\xce\xb1\xe4\xb8\xad\xf0\x9f\x98\x80", "???", 3},
        // Decomposed accents join their letter where the code page has it, else drop.
        {"e\xcc\x81 A\xcc\x8a Z\xcc\x8c q\xcc\x81 \xcc\x81", "\xe9 \xc5 \x8e q ", 2},
        // Invalid bytes, overlong forms, surrogates and cut sequences are one '?' a byte.
        {"\xff\xc0\xaf\xed\xa0\x80\xe2\x82", "????????", 8},
    };
    for (const Case& c : cases) {
        const Windows1252Text out = utf8ToWindows1252(c.utf8);
        EXPECT_EQ(out.text, c.expected) << c.utf8;
        EXPECT_EQ(out.replaced, c.replaced) << c.utf8;
    }
}

TEST(Windows1252, EveryByteSurvivesTheWayToUtf8AndBack) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    const std::string utf8 = windows1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    const Windows1252Text back = utf8ToWindows1252(utf8);
    EXPECT_EQ(back.text, all);
    EXPECT_EQ(back.replaced, 0u);
    EXPECT_EQ(windows1252ToUtf8("\x80\x85\x9f"), "\xe2\x82\xac\xe2\x80\xa6\xc5\xb8");
}

}  // namespace
}  // namespace rq
