// SPDX-License-Identifier: MIT
// The headless host's run log kept out of memory: every line comes back in order, whatever
// bytes it holds, and the log in memory stays short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/plain_host.h"

namespace rq::test {
namespace {

std::vector<std::string> allLines(const PlainHost& host) {
    std::vector<std::string> lines;
    EXPECT_TRUE(host.forEachLogLine([&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    }));
    return lines;
}

TEST(PlainHostLog, SpooledLinesComeBackInOrderWithEveryByte) {
    const std::vector<std::string> odd = {"",
                                          " ",
                                          "a\r\nb",
                                          std::string("z\0y", 3),
                                          std::string(70000, '\xB0'),
                                          "Truncated field(s) in Record 7"};
    for (const std::size_t keep : {std::size_t{0}, std::size_t{1}, std::size_t{3}}) {
        PlainHost host;
        host.spoolLogAfter(keep);
        std::vector<std::string> expected;
        for (int round = 0; round < 5; ++round) {
            for (const std::string& line : odd) {
                host.appendLog(line);
                expected.push_back(line);
                if (keep > 0) {
                    EXPECT_LE(host.log.size(), keep);
                }
            }
            // Reading back in between leaves the log whole for later lines.
            EXPECT_EQ(allLines(host), expected) << "keep " << keep << ", round " << round;
        }
    }
}

TEST(PlainHostLog, VisitStopsWhenAskedAndSaysSo) {
    PlainHost host;
    host.spoolLogAfter(2);
    for (int i = 0; i < 7; ++i) host.appendLog("line " + std::to_string(i));
    int seen = 0;
    EXPECT_FALSE(host.forEachLogLine([&](std::string_view) { return ++seen < 4; }));
    EXPECT_EQ(seen, 4);
}

}  // namespace
}  // namespace rq::test
