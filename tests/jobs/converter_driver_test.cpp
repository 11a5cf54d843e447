// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "engine/converter_driver.h"
#include "jobs/harness.h"
#include "support/test_system.h"

namespace rq::test {
namespace {

using Msg = PlainHost::Message;

// A program folder with a converter, a source, an IFO and a Palm folder for the database.
struct DriverRig : Harness {
    DriverRig() : Harness("prog") {}

    std::string work, program, source, ifo, palm, pdb;

    void setUp() {
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
            if (output) writeFile(args[3], fakePalmDatabase("PDB of " + readFile(args[2])));
            if (!logFolder.empty())
                writeFile(joinPath(logFolder, "jconvpro.err"), "bad line 2\r\nstop\r\n");
        };
    }

    std::optional<ExternalConverter> driver;
};

class Driver : public ::testing::Test, protected DriverRig {
  protected:
    void SetUp() override { setUp(); }
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
    EXPECT_EQ(readFile(pdb), fakePalmDatabase("PDB of \"Title\"\r\n\"t\"\r\n"));
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
              (std::vector<Msg>{{MessageKind::Plain, "The source file does not exist\n" +
                                                         folder / "nope.csv" +
                                                         ": No such file or directory"}}));
    EXPECT_EQ(readFile(pdb), "old");
    EXPECT_TRUE(system.starts.empty());
    EXPECT_TRUE(system.events.empty());
    EXPECT_FALSE(host.progress.shown);
}

TEST_F(Driver, MissingConverterSaysSoAndKeepsTheDestination) {
    fs::remove(program);
    writeFile(pdb, "old");
    EXPECT_FALSE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Plain, "Jconvpro.exe not found!\n" + program +
                                                         ": No such file or directory"}}));
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

TEST_F(Driver, AFailedRunKeepsTheLastGoodDestination) {
    converterWrites(false);
    writeFile(pdb, "old");
    EXPECT_FALSE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_EQ(readFile(pdb), "old");
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Error, "Output file not created\n" + source +
                                                         ": jconvpro.exe wrote no output"}}));
    EXPECT_EQ(std::count(system.events.begin(), system.events.end(), "delete " + pdb), 0);
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
        EXPECT_EQ(host.calls,
                  (std::vector<std::string>{
                      "converter to JFile", "end", "log " + log,
                      "message Output file not created\n" + source +
                          ": jconvpro.exe reported an error; its output was not used"}));
        EXPECT_EQ(host.shownErrorLogs,
                  (std::vector<std::vector<std::string>>{{"bad line 2", "stop"}}));
        EXPECT_TRUE(fs::exists(log));  // kept until the next run into that folder
    }
}

TEST_F(Driver, ErrorLogOfTheBackwardRunIsShownOnce) {
    converterWrites(false, work);
    EXPECT_FALSE(driver->convertPdbToCsv(source, joinPath(work, "refs.out"), ifo));
    EXPECT_EQ(host.shownErrorLogs.size(), 1u);
    EXPECT_EQ(
        host.messages,
        (std::vector<Msg>{{MessageKind::Error,
                           "CSV Output file not created\n" + source +
                               ": jconvpro.exe reported an error; its output was not used"}}));
}

TEST_F(Driver, ConverterThatCannotStartEndsInTheMissingOutputMessage) {
    system.startFails = true;
    writeFile(pdb, "old");
    EXPECT_FALSE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
    EXPECT_EQ(system.polls, 0);
    EXPECT_EQ(system.releases, 0);
    EXPECT_EQ(readFile(pdb), "old");
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Error, "Output file not created\n" + source +
                                                         ": jconvpro.exe could not be started"}}));
    EXPECT_FALSE(host.progress.shown);
}

// The message and the run log name why the converter did not start when the system tells.
TEST_F(Driver, StartFailureReasonIsTold) {
    system.startFails = true;
    for (const std::string& reason : {std::string(), std::string("CreateProcess error 5")}) {
        host.log.clear();
        host.messages.clear();
        system.startError = reason;
        EXPECT_FALSE(driver->convertCsvToPdb(source, pdb, ifo, "\"x\""));
        const std::string detail =
            source + ": jconvpro.exe could not be started" + (reason.empty() ? "" : ": " + reason);
        EXPECT_EQ(host.log, std::vector<std::string>{detail});
        EXPECT_EQ(host.messages,
                  (std::vector<Msg>{{MessageKind::Error, "Output file not created\n" + detail}}));
    }
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
    const std::string shortForm = folderAlias(ctx.programFolder, folder / "PROGRA~1");
    ASSERT_FALSE(shortForm.empty());
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

namespace rq::test {
namespace {

// Every way a run can go wrong after the converter was found: the report (result, outcome, the
// one message naming the file and the reason) and what is left on disk. A good database from an
// earlier run stands at the destination before each run: it is kept byte for byte, and no part
// of a new one nor a temporary file is left beside it.
TEST(DriverFaults, FaultsAreFailuresAndLeaveNothingHalfWritten) {
    using Step = FileFault::Step;
    struct Case {
        const char* name;
        std::function<void(DriverRig&)> arrange;
        ConverterOutcome outcome;
        std::string detail;  // after "Output file not created": "FILE: reason"
        int starts = 1;
        int kills = 0;
    };
    const std::string disk = ": No space left on device";
    const Case cases[] = {
        {"stale out.tmp, converter cannot start",
         [](DriverRig& d) {
             writeFile(d.w("out.tmp"), "OLD RUN'S DATABASE");
             d.system.startFails = true;
         },
         ConverterOutcome::Failed, "SOURCE: jconvpro.exe could not be started"},
        {"stale out.tmp, converter writes nothing",
         [](DriverRig& d) {
             writeFile(d.w("out.tmp"), "OLD RUN'S DATABASE");
             d.converterWrites(false);
         },
         ConverterOutcome::Failed, "SOURCE: jconvpro.exe wrote no output"},
        {"converter crashes after writing",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.system.crashes = true;
         },
         ConverterOutcome::Failed,
         "SOURCE: jconvpro.exe ended abnormally (it crashed or was killed); its output was not "
         "used"},
        {"fetch: temporary file cannot be created",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.system.fileFault = {Step::Create, "RQ-refs.PDB"};
         },
         ConverterOutcome::Failed, "PDB" + disk},
        {"fetch: disk full while writing",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.system.fileFault = {Step::Write, "RQ-refs.PDB"};
         },
         ConverterOutcome::Failed, "PDB" + disk},
        {"fetch: flush or rename fails",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.system.fileFault = {Step::Commit, "RQ-refs.PDB"};
         },
         ConverterOutcome::Failed, "PDB" + disk},
        {"staging the input fails",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.system.fileFault = {Step::Write, "input.tmp"};
         },
         ConverterOutcome::Failed, "SOURCE: could not be copied to the work file INPUT" + disk, 0},
        {"staging the IFO fails",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.system.fileFault = {Step::Commit, "ifo.tmp"};
         },
         ConverterOutcome::Failed,
         "SOURCE: IFO could not be copied to the work file IFOWORK" + disk, 0},
        {"user cancels while it runs",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.system.runningPolls = -1;
             d.host.onPump = [&d] {
                 if (d.system.polls == 2) d.ctx.requestStop(StopRequest::ThisFile);
             };
         },
         ConverterOutcome::Cancelled, "", 1, 1},
        {"cancelled before it starts",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.ctx.requestStop(StopRequest::AllFiles);
         },
         ConverterOutcome::Cancelled, "", 0},
        {"cancelled, and the kill fails",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.system.runningPolls = -1;
             d.system.killFails = true;
             d.host.onPump = [&d] {
                 if (d.system.polls > 0) d.ctx.requestStop(StopRequest::ThisFile);
             };
         },
         ConverterOutcome::Cancelled, "", 1, 1},
        {"time limit passes while the input is staged",
         [](DriverRig& d) {
             d.converterWrites(true);
             writeFile(d.source, std::string(std::size_t{1} << 20, 'x'));
             d.system.secondsPerLook = 1;
             d.ctx.converterTimeoutSeconds = 5;
         },
         ConverterOutcome::Failed,
         "SOURCE: it could not be copied to the work folder within 5 seconds; the copy was "
         "stopped",
         0},
        {"time limit passes",
         [](DriverRig& d) {
             d.converterWrites(true);
             d.system.runningPolls = -1;
             d.ctx.converterTimeoutSeconds = 5;
         },
         ConverterOutcome::Failed,
         "SOURCE: jconvpro.exe did not finish within 5 seconds and was stopped", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DriverRig d;
        d.setUp();
        writeFile(d.pdb, "GOOD OLD DATABASE");
        c.arrange(d);
        EXPECT_FALSE(d.driver->convertCsvToPdb(d.source, d.pdb, d.ifo, "\"RQ-refs\""));
        EXPECT_EQ(d.driver->outcome(), c.outcome);
        std::string text = c.detail;
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"SOURCE", d.source},
                                       {"INPUT", d.w("input.tmp")},
                                       {"IFOWORK", d.w("ifo.tmp")},
                                       {"IFO", d.ifo},
                                       {"PDB", d.pdb}}) {
            if (const auto at = text.find(from); at != std::string::npos)
                text.replace(at, from.size(), to);
        }
        std::vector<Msg> expected;
        if (c.outcome != ConverterOutcome::Cancelled)
            expected.push_back({MessageKind::Error, "Output file not created\n" + text});
        EXPECT_EQ(d.host.messages, expected);
        EXPECT_EQ(static_cast<int>(d.system.starts.size()), c.starts);
        EXPECT_EQ(d.system.kills, c.kills);
        EXPECT_EQ(d.system.releases, d.system.startFails ? 0 : c.starts);
        // On disk: the good database, no part of a new one, no work file but the IFO's.
        EXPECT_EQ(readFile(d.pdb), "GOOD OLD DATABASE");
        for (const std::string& folderPath : {d.palm, d.work}) {
            for (const auto& entry : fs::directory_iterator(folderPath)) {
                const std::string name = entry.path().filename().string();
                EXPECT_TRUE(name == "ifo.tmp" || name == "refs.IFO" || name == "RQ-refs.PDB")
                    << name;
            }
        }
        EXPECT_FALSE(d.host.progress.shown);
    }
}

// The parts of the command line reach the converter one argument each, whatever they hold; a
// line that needs no quoting is what it always was.
TEST(DriverFaults, EveryArgumentArrivesWhole) {
    const struct {
        const char* shortFolder;   // "" keeps the program folder
        std::string databaseName;  // as the job passes it, quotes included
        std::string expectedName;
    } cases[] = {
        {"", "\"RQ-refs\"", "RQ-refs"},
        {"", "\"RQ-My refs\"", "RQ-My refs"},
        {"", "\"RQ-a\"b\"", "RQ-a\"b"},
        {"", "\"RQ-x\\\"", "RQ-x\\"},
        {"", "\"RQ-\" 1 2 3\"", "RQ-\" 1 2 3"},
        {"with blank", "\"RQ-refs\"", "RQ-refs"},
        {"with \"quote", "\"RQ-refs\"", "RQ-refs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.databaseName + " " + c.shortFolder);
        DriverRig d;
        d.setUp();
        if (*c.shortFolder != '\0') {
            const std::string wanted = d.folder / c.shortFolder;
            const std::string link = folderAlias(d.ctx.programFolder, wanted);
            // Windows gives only the folder's own 8.3 form, never one with a blank or a quote.
            if (link != wanted) continue;
            d.system.shortFolder = link;
        }
        d.converterWrites(true);
        ASSERT_TRUE(d.driver->convertCsvToPdb(d.source, d.pdb, d.ifo, c.databaseName));
        const std::string shortWork = joinPath(d.system.shortFolderPath(""), "RQWork");
        const std::string work = *c.shortFolder != '\0' ? shortWork : d.work;
        EXPECT_EQ(d.system.lastArgs,
                  (std::vector<std::string>{d.program, "1", joinPath(work, "input.tmp"),
                                            joinPath(work, "out.tmp"), c.expectedName,
                                            joinPath(work, "ifo.tmp")}));
    }
}

// The converter names its work files; the user reads the names of their own files, and for a
// CSV made from an export, its records.
TEST(NameUserFiles, WorkFilesBecomeTheUsersFiles) {
    WorkFileNames names{"/p/RQWork/input.tmp",
                        "/p/RQWork/out.tmp",
                        "/p/RQWork/ifo.tmp",
                        "/p/RQWork/refs.csv",
                        "/palm/RQ-refs.PDB",
                        "/p/RQWork/refs.IFO",
                        ""};
    const struct {
        bool fromExport;
        const char* text;
        const char* expected;
    } cases[] = {
        {false, "input.tmp: line 3: the line holds a zero byte.",
         "/p/RQWork/refs.csv: line 3: the line holds a zero byte."},
        {true, "input.tmp: line 3: the line holds a zero byte.",
         "/home/u/refs.txt: record 2: the line holds a zero byte."},
        {true, "input.tmp: line 1: bad header.", "/home/u/refs.txt: line 1: bad header."},
        {true, "could not turn \"/p/RQWork/input.tmp\" into",
         "could not turn \"/home/u/refs.txt\" into"},
        {false, "ifo.tmp: line 2 gives 3 widths; out.tmp failed",
         "/p/RQWork/refs.IFO: line 2 gives 3 widths; /palm/RQ-refs.PDB failed"},
        {true, "input.tmp: line x", "/home/u/refs.txt: line x"},
        {false, "no work file here", "no work file here"},
    };
    for (const auto& c : cases) {
        names.exportFile = c.fromExport ? "/home/u/refs.txt" : "";
        EXPECT_EQ(nameUserFiles(c.text, names), c.expected);
    }
}

}  // namespace
}  // namespace rq::test

namespace rq::test {
namespace {

// The container of a database the converter wrote: whatever would make the handheld get less
// than the header promises.
// What the converter wrote must be the database that was asked for, whole: a database cut
// inside its last record, one of another program, or one short of records passes for nothing.
TEST(PalmDatabaseProblem, CutOffForeignOrShortDatabasesAreTold) {
    const std::string good = fakePalmDatabase("\"A\",\"B\"\r\n\"x\",\"y\"\r\n\"z\",\"w\"\r\n");
    const std::string none = fakePalmDatabase("\"A\",\"B\"\r\n");
    const auto with = [&](std::size_t at, std::string_view bytes) {
        std::string pdb = good;
        return pdb.replace(at, bytes.size(), bytes);
    };
    const auto expect = [](std::size_t records, std::size_t fields) {
        ExpectedDatabase e;
        e.records = records;
        e.fields = fields;
        return e;
    };
    const struct {
        const char* name;
        std::string bytes;
        ExpectedDatabase expected;
        const char* problem;  // part of the answer; "" for a sound database
    } cases[] = {
        {"sound", good, expect(2, 2), ""},
        {"no records asked, none there", none, expect(0, 2), ""},
        {"empty file", "", expect(2, 2), "shorter than a database header"},
        {"header cut", good.substr(0, 77), expect(2, 2), "shorter than a database header"},
        {"no name", with(0, std::string(1, '\0')), expect(2, 2), "no database name"},
        {"another program's", with(60, "TEXtREAd"), expect(2, 2),
         "type TEXt and creator REAd, not a JFile database (JfD5/JFi5)"},
        {"a record short", good, expect(3, 2), "holds 2 records for 3 exported"},
        {"no record for twelve", none, expect(12, 2), "holds 0 records for 12 exported"},
        {"list cut", with(76, "\x01\x2C").substr(0, 300), expect(0, 0),
         "list of 300 records runs past its end"},
        {"cut inside the last record", good.substr(0, good.size() - 1), expect(2, 2),
         "record 2 of 2 is damaged"},
        {"record beyond the end", with(86, std::string("\0\0\x10\0", 4)), expect(2, 2),
         "record 2 of 2 lies outside"},
        {"application block beyond", with(52, std::string("\0\0\x10\0", 4)), expect(2, 2),
         "application block"},
        {"value without its end mark", with(good.size() - 1, "x"), expect(2, 2),
         "record 2 of 2 is damaged: a value's length and end disagree"},
        {"a value too few", good, expect(2, 3), "record 1 of 2 is damaged"},
        {"text, not a database", std::string(200, 'x'), expect(2, 2), "no database name"},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        const std::string path = folder / "out.tmp";
        writeFile(path, c.bytes);
        const std::string problem = palmDatabaseProblem(path, c.expected);
        if (*c.problem == '\0') {
            EXPECT_EQ(problem, "") << c.name;
        } else {
            EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": " << problem;
        }
    }
    EXPECT_EQ(palmDatabaseProblem(folder / "missing"), "it cannot be read");
}

}  // namespace
}  // namespace rq::test
