// SPDX-License-Identifier: MIT
// The command-line host keeps a bounded number of log lines in memory, and still gives every
// line back in order for "Log.txt"; the converter's report reaches the user even when quiet.
#include "app/cli/cli_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/files.h"

namespace rq {
namespace {

TEST(CliHost, LogBeyondTheLinesInMemoryWaitsInAFile) {
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    {
        CliHost host(sink, sink);
        const std::size_t lines = CliHost::kLogLinesInMemory * 2 + 3;
        for (std::size_t i = 0; i < lines; ++i) host.appendLog("line " + std::to_string(i));
        EXPECT_LE(host.log.size(), CliHost::kLogLinesInMemory);
        std::size_t seen = 0;
        EXPECT_TRUE(host.forEachLogLine(
            [&](std::string_view line) { return line == "line " + std::to_string(seen++); }));
        EXPECT_EQ(seen, lines);
    }
    std::fclose(sink);
}

TEST(CliHost, TheConvertersReportIsPrintedEvenWhenQuiet) {
    rq::test::TempFolder temp{"rq-cli-report"};
    const std::string report = temp / "jconvpro.err";
    rq::test::writeFile(report, "bad line 2\r\nstop\r\n");
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    CliHost host(sink, sink);
    host.setVerbosity(Verbosity::Quiet);
    host.showLog(report);
    std::rewind(sink);
    std::string printed(256, '\0');
    printed.resize(std::fread(printed.data(), 1, printed.size(), sink));
    std::fclose(sink);
    EXPECT_EQ(printed, "report " + report + ":\n  bad line 2\n  stop\n");
}

}  // namespace
}  // namespace rq
