// SPDX-License-Identifier: MIT
// The command-line host keeps a bounded number of log lines in memory, and still gives every
// line back in order for "Log.txt"; the converter's report reaches the user even when quiet.
#include "app/cli/cli_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/cli/command_files.h"
#include "platform/platform.h"
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

std::string contentsOf(std::FILE* file) {
    std::rewind(file);
    std::string text(256, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    return text;
}

// A signal reaches the pump and the output's writes: the earlier file stays, no temporary file
// is left, and the messages of what the signal cut short are not shown.
TEST(CliHost, ASignalEndsAOneFileCommandAndDropsItsTemporaryFile) {
    rq::test::TempFolder temp{"rq-cli-signal"};
    const std::string target = temp / "result.csv";
    rq::test::writeFile(target, "earlier");
    std::atomic<int> signal{0};
    const auto system = createSystemServices();
    OutputFile out(system.get());
    out.setOpener(commandOpener(*system, signal, false));
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    CliHost host(sink, sink);
    host.stopOnSignal(&signal);
    ASSERT_TRUE(out.open(target));
    out.write("new");
    EXPECT_NO_THROW(host.pumpEvents());
    signal = 15;
    EXPECT_THROW(host.pumpEvents(), Interrupted);
    host.showMessage(MessageKind::Error, "Couldnt read csv file");
    {
        OutputFileGuard guard(out);
        EXPECT_THROW(out.close(), Interrupted);
    }
    EXPECT_EQ(rq::test::readFile(target), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);
    EXPECT_EQ(contentsOf(sink), "");
    std::fclose(sink);
}

// Only the name the command chose goes to the stream; a file of that name is still a file.
TEST(CliHost, StandardOutputIsWrittenNotReplaced) {
    rq::test::TempFolder temp{"rq-cli-stdout"};
    std::atomic<int> signal{0};
    const auto system = createSystemServices();
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    for (const bool toStream : {true, false}) {
        OutputFile out(system.get());
        out.setOpener(commandOpener(*system, signal, toStream, stream));
        const std::string path =
            toStream ? std::string(kStandardOutputName) : temp / std::string(kStandardOutputName);
        ASSERT_TRUE(out.open(path));
        out.writeLine(toStream ? "to the stream" : "to the file");
        EXPECT_TRUE(out.close());
    }
    EXPECT_EQ(contentsOf(stream), "to the stream\r\n");
    EXPECT_EQ(rq::test::readFile(temp / std::string(kStandardOutputName)), "to the file\r\n");
    std::fclose(stream);
}

}  // namespace
}  // namespace rq
