#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "engine/converter_driver.h"
#include "jobs/harness.h"

namespace rq::test {
namespace {

using Msg = PlainHost::Message;

class Driver : public ::testing::Test, protected Harness {
  protected:
    Driver() : Harness("prog") {}

    std::string work, program, source, ifo, palm, pdb;

    void SetUp() override {
        work = ctx.workFolder;
        fs::create_directories(work);
        program = joinPath(ctx.programFolder, "jconvpro.exe");
        writeFile(program, "converter");
        source = folder / "refs.csv";
        writeFile(source, "\"Title\"\r\n\"t\"\r\n");
        ifo = joinPath(work, "refs.IFO");
        writeFile(ifo, "1,\r\n");
        palm = folder / "palm";
        fs::create_directories(palm);
        pdb = joinPath(palm, "RQ-refs.PDB");
        driver.emplace(ctx);
        driver->setPollPause(std::chrono::milliseconds(0));
    }

    std::string w(const char* name) const { return joinPath(work, name); }

    // A converter that writes its output (the input with a mark) and, when asked, a log.
    void converterWrites(bool output, const std::string& logFolder = {}) {
        system.converter = [=](const std::vector<std::string>& args) {
            if (output) writeFile(args[3], "PDB of " + readFile(args[2]));
            if (!logFolder.empty())
                writeFile(joinPath(logFolder, "jconvpro.err"), "bad line 2\r\nstop\r\n");
        };
    }

    std::optional<ExternalConverter> driver;
};

TEST_F(Driver, CsvToPdbStagesRunsAndFetches) {
    converterWrites(true);
    system.runningPolls = 3;
    ASSERT_TRUE(driver->convertCsvToPdb(source, pdb, ifo, "\"RQ-refs\""));

    ASSERT_EQ(system.starts.size(), 1u);
    EXPECT_EQ(system.starts[0].application, program);
    EXPECT_EQ(system.starts[0].commandLine, "\"" + program + "\" 1 " + w("input.tmp") + " " +
                                                w("out.tmp") + " \"RQ-refs\" " + w("ifo.tmp"));
    EXPECT_TRUE(system.starts[0].highPriority);
    EXPECT_EQ(readFile(pdb), "PDB of \"Title\"\r\n\"t\"\r\n");
    EXPECT_FALSE(fs::exists(w("input.tmp")));
    EXPECT_FALSE(fs::exists(w("out.tmp")));
    EXPECT_EQ(readFile(w("ifo.tmp")), "1,\r\n");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"converter to JFile", "end"}));
    EXPECT_FALSE(host.progress.shown);
    // One step per second of the run, counted from its start; the handles are released.
    EXPECT_EQ(host.steps, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(system.polls, 4);
    EXPECT_EQ(system.releases, 1);
    EXPECT_GE(host.pumpCount, 4);
}

TEST_F(Driver, StepsOnlyWhenTheClockHasMovedOn) {
    converterWrites(true);
    system.runningPolls = 5;
    system.secondsPerPoll = 0;
    ASSERT_TRUE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_TRUE(host.steps.empty());
    EXPECT_EQ(system.polls, 6);
    EXPECT_GE(host.pumpCount, 6);  // the events are processed on every poll all the same
}

TEST_F(Driver, PdbToCsvPassesABlankSoThreeBlanksSeparateOutputAndIfo) {
    converterWrites(true);
    const std::string csv = joinPath(work, "RQ-refs.out");
    ASSERT_TRUE(driver->convertPdbToCsv(source, csv, joinPath(work, "temp.ifo")));
    EXPECT_EQ(system.starts[0].commandLine, "\"" + program + "\" 2 " + w("input.tmp") + " " +
                                                w("out.tmp") + "   " + w("ifo.tmp"));
    EXPECT_EQ(host.calls.front(), "converter to CSV");
    EXPECT_TRUE(fs::exists(csv));
}

TEST_F(Driver, MissingSourceSaysSoAndTouchesNothing) {
    writeFile(pdb, "old");
    EXPECT_FALSE(driver->convertCsvToPdb(folder / "nope.csv", pdb, ifo, "\"x\""));
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Plain, "The source file does not exist"}}));
    EXPECT_EQ(readFile(pdb), "old");
    EXPECT_TRUE(system.starts.empty());
    EXPECT_TRUE(system.events.empty());
    EXPECT_FALSE(host.progress.shown);
}

TEST_F(Driver, MissingConverterSaysSoAndKeepsTheDestination) {
    fs::remove(program);
    writeFile(pdb, "old");
    EXPECT_FALSE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_EQ(host.messages, (std::vector<Msg>{{MessageKind::Plain, "Jconvpro.exe not found!"}}));
    EXPECT_EQ(readFile(pdb), "old");
    EXPECT_TRUE(system.events.empty());
}

TEST_F(Driver, MissingDestinationFolderIsCreatedAfterTheMessage) {
    converterWrites(true);
    const std::string deep = joinPath(joinPath(folder / "new", "deeper"), "RQ-refs.PDB");
    EXPECT_TRUE(driver->convertCsvToPdb(source, deep, ifo, "\"x\""));
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Plain, "Destination directory Had to be created"}}));
    EXPECT_TRUE(fs::exists(deep));
}

TEST_F(Driver, OldDestinationGoesBeforeTheRunSoAFailedRunLeavesNone) {
    converterWrites(false);
    writeFile(pdb, "old");
    EXPECT_FALSE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_FALSE(fs::exists(pdb));
    EXPECT_EQ(host.messages, (std::vector<Msg>{{MessageKind::Error, "Output file not created"}}));
    const auto del = std::find(system.events.begin(), system.events.end(), "delete " + pdb);
    const auto start = std::find(system.events.begin(), system.events.end(), "start");
    EXPECT_LT(del, start);
    // Nothing of the run is left but the IFO work file.
    EXPECT_FALSE(fs::exists(w("input.tmp")));
    EXPECT_FALSE(fs::exists(w("out.tmp")));
    EXPECT_TRUE(fs::exists(w("ifo.tmp")));
}

TEST_F(Driver, StaleErrorLogsNeverFailALaterGoodRun) {
    writeFile(joinPath(palm, "jconvpro.err"), "old");
    writeFile(w("jconvpro.err"), "old");
    converterWrites(true);
    EXPECT_TRUE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.shownErrorLogs.empty());
    EXPECT_FALSE(fs::exists(joinPath(palm, "jconvpro.err")));
}

TEST_F(Driver, ErrorLogWinsOverTheOutputAndIsShownFirst) {
    for (const std::string& logFolder : {palm, work}) {
        host.calls.clear();
        host.messages.clear();
        host.shownErrorLogs.clear();
        converterWrites(true, logFolder);
        EXPECT_FALSE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\"")) << logFolder;
        EXPECT_FALSE(fs::exists(pdb));
        const std::string log = joinPath(logFolder, "jconvpro.err");
        EXPECT_EQ(host.calls, (std::vector<std::string>{"converter to JFile", "end", "log " + log,
                                                        "message Output file not created"}));
        EXPECT_EQ(host.shownErrorLogs,
                  (std::vector<std::vector<std::string>>{{"bad line 2", "stop"}}));
        EXPECT_TRUE(fs::exists(log));  // kept until the next run into that folder
    }
}

TEST_F(Driver, ErrorLogOfTheBackwardRunIsShownOnce) {
    converterWrites(false, work);
    EXPECT_FALSE(driver->convertPdbToCsv(source, joinPath(work, "refs.out"), ifo));
    EXPECT_EQ(host.shownErrorLogs.size(), 1u);
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Error, "CSV Output file not created"}}));
}

TEST_F(Driver, ConverterThatCannotStartEndsInTheMissingOutputMessage) {
    system.startFails = true;
    writeFile(pdb, "old");
    EXPECT_FALSE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_EQ(system.polls, 0);
    EXPECT_EQ(system.releases, 0);
    EXPECT_FALSE(fs::exists(pdb));
    EXPECT_EQ(host.messages, (std::vector<Msg>{{MessageKind::Error, "Output file not created"}}));
    EXPECT_FALSE(host.progress.shown);
}

TEST_F(Driver, FailedStatusQueryEndsTheWait) {
    converterWrites(true);
    system.runningPolls = 1000;
    system.queryFails = true;
    EXPECT_TRUE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_EQ(system.polls, 1);
    EXPECT_EQ(system.releases, 1);
}

TEST_F(Driver, MissingIfoLeavesTheLastRunsIfoWorkFile) {
    converterWrites(true);
    ASSERT_TRUE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_TRUE(
        driver->convertPdbToCsv(source, joinPath(work, "a.out"), joinPath(work, "temp.ifo")));
    EXPECT_EQ(readFile(w("ifo.tmp")), "1,\r\n");
}

TEST_F(Driver, WorkPathsComeFromTheShortFormAndTheProgramPathFromTheFullOne) {
    const std::string shortForm = folder / "PROGRA~1";
    fs::create_directory_symlink(ctx.programFolder, shortForm);
    system.shortFolder = shortForm;
    converterWrites(true);
    ASSERT_TRUE(driver->convertCsvToPdb(source, pdb, ifo, "\"RQ-My refs\""));
    const std::string shortWork = joinPath(shortForm, "RQWork");
    EXPECT_EQ(system.starts[0].commandLine,
              "\"" + program + "\" 1 " + joinPath(shortWork, "input.tmp") + " " +
                  joinPath(shortWork, "out.tmp") + " \"RQ-My refs\" " +
                  joinPath(shortWork, "ifo.tmp"));
    EXPECT_TRUE(fs::exists(pdb));
}

TEST_F(Driver, SplitPathKeepsTheSeparatorOnTheFolder) {
    const PathParts parts =
        ExternalConverter::splitPath(joinPath(joinPath("", "data"), "refs.csv"));
    EXPECT_EQ(parts.folder, joinPath("data", ""));
    EXPECT_EQ(parts.name, "refs.csv");
}

}  // namespace
}  // namespace rq::test
