// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "base/path.h"
#include "engine/csv_import.h"
#include "engine/jobs.h"
#include "engine/session.h"
#include "jobs/harness.h"
#include "support/test_system.h"

namespace rq::test {
namespace {

using Msg = PlainHost::Message;
using Lines = std::vector<std::string>;

// A converter stand-in: the output is the input's bytes; an input that holds "FAIL" leaves an
// error log beside the output instead.
void copyingConverter(const std::vector<std::string>& args) {
    const std::string input = readFile(args[2]);
    if (input.find("FAIL") != std::string::npos) {
        writeFile(joinPath(fs::path(args[3]).parent_path().string(), "jconvpro.err"), "no\r\n");
        return;
    }
    writeFile(args[3], args[1] == "1" ? fakePalmDatabase(input) : input);
}

class Jobs : public ::testing::Test, protected Harness {
  protected:
    std::string endNote, palm, backup;

    void SetUp() override {
        writeFile(joinPath(ctx.programFolder, "jconvpro.exe"), "converter");
        // The work paths must reach the converter free of blanks, as the short form gives them.
        system.shortFolder = folderAlias(ctx.programFolder, folder / "PROGRA~1");
        ASSERT_FALSE(system.shortFolder.empty());
        startSession(ctx, settings, output);
        endNote = folder / "EndNote";
        palm = folder / "Palm install";
        backup = folder / "Backup";
        for (const std::string& f : {endNote, palm, backup}) fs::create_directories(f);
        settings.strategy.endNoteFolder = endNote;
        settings.strategy.palmInstallFolder = palm;
        settings.strategy.palmBackupFolder = backup;
        system.converter = copyingConverter;
        host.log.clear();
        host.messages.clear();
    }

    std::string work(const std::string& name) const { return joinPath(ctx.workFolder, name); }

    std::string exportFile(const std::string& name, const std::string& data = "three-refs.txt") {
        const std::string path = folder / name;
        copyReplacing(dataFile(data), path);
        return path;
    }

    ChosenFiles chosen;  // the next job's choice; nothing is a cancel
    void choose(std::vector<std::string> files) { chosen = std::move(files); }
    JobResult toJFile() {
        return runChosen(ctx, settings, output, Direction::EndNoteToJFile,
                         std::exchange(chosen, std::nullopt));
    }
    JobResult toEndNote() {
        return runChosen(ctx, settings, output, Direction::JFileToEndNote,
                         std::exchange(chosen, std::nullopt));
    }

    std::uint32_t installFlag(const std::string& value) {
        return system.registry[std::string(kHotSyncKey)][value];
    }
};

TEST_F(Jobs, ToJFileNamesLogsAndReports) {
    choose({exportFile("My refs.txt")});
    toJFile();

    const std::string pdb = joinPath(palm, "RQ-My refs.PDB");
    EXPECT_EQ(host.log, (Lines{" ", "EndNote to JFile", "sCsv Name is " + work("My refs.csv"),
                               "sPdb Name is " + pdb, "IFO  Name is " + work("My refs.IFO"),
                               "Palm Name is \"RQ-My refs\"", "Endnote file record count was 3",
                               "3 Records Transferred to  JFile"}));
    EXPECT_EQ(host.statusText, "3 Records Transferred to  JFile");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(fs::exists(work("My refs.csv")));
    EXPECT_TRUE(fs::exists(work("My refs.IFO")));
    EXPECT_EQ(readFile(pdb), fakePalmDatabase(readFile(work("My refs.csv"))));
    ASSERT_EQ(system.starts.size(), 1u);
    EXPECT_NE(system.starts[0].commandLine.find(" \"RQ-My refs\" "), std::string::npos);
    EXPECT_EQ(installFlag("Install0000"), 1u);
    EXPECT_EQ(system.queued, Lines{pdb});
    EXPECT_EQ(host.busyDepth, 0);
    EXPECT_FALSE(host.progress.shown);
    EXPECT_FALSE(output.isOpen());
}

TEST_F(Jobs, CutValuesShowInTheStatusOnly) {
    window.setWidthText(15, "50");  // Notes: the 120-byte value of the third record is cut
    choose({exportFile("refs.txt")});
    const JobResult result = toJFile();
    ASSERT_EQ(result.files.size(), 1u);
    EXPECT_EQ(result.files[0].truncatedRecords, 1);
    EXPECT_TRUE(result.allConverted());
    EXPECT_EQ(host.log.back(), "3 Records Transferred to  JFile");
    EXPECT_EQ(host.statusText, "3 Records Transferred to  JFile. Number of truncated records: 1");
}

TEST_F(Jobs, LongAndDotlessNamesGiveTheirFiles) {
    choose({exportFile("Anthropology references.txt"), exportFile("plain")});
    toJFile();
    EXPECT_TRUE(fs::exists(joinPath(palm, "RQ-Anthropology references.PDB")));
    EXPECT_NE(std::find(host.log.begin(), host.log.end(), "Palm Name is \"RQ-Anthropology ref\""),
              host.log.end());
    EXPECT_TRUE(fs::exists(joinPath(palm, "RQ-plain.PDB")));
    EXPECT_TRUE(fs::exists(work("plain.csv")));
    EXPECT_TRUE(fs::exists(work("plain.IFO")));
    EXPECT_EQ(prefixPdbName(joinPath(palm, "a.b.PDB")), joinPath(palm, "RQ-a.b.PDB"));
}

TEST_F(Jobs, AFailureInTheSecondFileDoesNotStopTheThird) {
    const std::string bad = folder / "bad.txt";
    writeFile(bad, "Book\tFAIL\t1999\xb0\r\n");
    choose({exportFile("one.txt"), bad, exportFile("three.txt")});
    const JobResult result = toJFile();

    EXPECT_TRUE(fs::exists(joinPath(palm, "RQ-one.PDB")));
    EXPECT_FALSE(fs::exists(joinPath(palm, "RQ-bad.PDB")));
    EXPECT_TRUE(fs::exists(joinPath(palm, "RQ-three.PDB")));
    // Each group starts with " "; the failed one has its count but no result line.
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), " "), 3);
    EXPECT_EQ(
        Lines(host.log.begin() + 8, host.log.begin() + 15),
        (Lines{" ", "EndNote to JFile", "sCsv Name is " + work("bad.csv"),
               "sPdb Name is " + joinPath(palm, "RQ-bad.PDB"), "IFO  Name is " + work("bad.IFO"),
               "Palm Name is \"RQ-bad\"", "Endnote file record count was 1"}));
    const std::string why = bad + ": jconvpro.exe reported an error; its output was not used";
    EXPECT_EQ(host.log[15], why);
    EXPECT_EQ(host.log[16], " ");
    EXPECT_EQ(host.log.back(), "3 Records Transferred to  JFile");
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Error, "Output file not created\n" + why}}));
    // Emptied at the start and before each file; the failed file leaves it empty.
    EXPECT_EQ(host.statusHistory, (Lines{"", "", "3 Records Transferred to  JFile", "", "",
                                         "3 Records Transferred to  JFile"}));
    EXPECT_EQ(system.queued.size(), 2u);
    const auto pdb = [&](const char* name) { return joinPath(palm, name); };
    EXPECT_EQ(result.files,
              (std::vector<FileResult>{
                  {folder / "one.txt", pdb("RQ-one.PDB"), FileOutcome::Converted, 3, 0},
                  {bad, pdb("RQ-bad.PDB"), FileOutcome::Failed, 0, 0},
                  {folder / "three.txt", pdb("RQ-three.PDB"), FileOutcome::Converted, 3, 0}}));
    EXPECT_EQ(result.converted(), 2);
    EXPECT_EQ(result.failed(), 1);
    EXPECT_FALSE(result.allConverted());
    EXPECT_EQ(result.records(), 6);
}

// Cancel during the second file's converter run: that file is not converted and says so; the job
// goes on with the third unless the user asked to quit.
TEST_F(Jobs, CancelStopsOneFileQuitStopsTheRest) {
    for (const StopRequest request : {StopRequest::ThisFile, StopRequest::AllFiles}) {
        SCOPED_TRACE(static_cast<int>(request));
        for (const char* name : {"RQ-one.PDB", "RQ-two.PDB", "RQ-three.PDB"})
            fs::remove(joinPath(palm, name));
        writeFile(joinPath(palm, "RQ-two.PDB"), "GOOD OLD DATABASE");
        host.log.clear();
        host.statusHistory.clear();
        ctx.clearStop();
        system.starts.clear();
        system.polls = 0;
        system.killed = false;
        system.runningPolls = -1;  // runs until stopped; one poll of the first file ends it
        system.converter = [&](const std::vector<std::string>& args) {
            system.killed = false;
            system.polls = 0;
            system.runningPolls = system.starts.size() == 2 ? -1 : 0;
            copyingConverter(args);
        };
        host.onPump = [&] {
            if (system.starts.size() == 2 && system.polls == 2) ctx.requestStop(request);
        };
        choose({exportFile("one.txt"), exportFile("two.txt"), exportFile("three.txt")});
        const JobResult result = toJFile();
        host.onPump = nullptr;

        EXPECT_TRUE(fs::exists(joinPath(palm, "RQ-one.PDB")));
        EXPECT_EQ(readFile(joinPath(palm, "RQ-two.PDB")), "GOOD OLD DATABASE");
        const bool quit = request == StopRequest::AllFiles;
        EXPECT_EQ(fs::exists(joinPath(palm, "RQ-three.PDB")), !quit);
        EXPECT_EQ(system.starts.size(), quit ? 2u : 3u);
        // Every chosen file has its result; one that was never started counts as cancelled.
        ASSERT_EQ(result.files.size(), 3u);
        EXPECT_EQ(result.files[0].outcome, FileOutcome::Converted);
        EXPECT_EQ(result.files[1].outcome, FileOutcome::Cancelled);
        EXPECT_EQ(result.files[2].outcome, quit ? FileOutcome::Cancelled : FileOutcome::Converted);
        EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "Conversion cancelled"), 1);
        EXPECT_EQ(std::count(host.log.begin(), host.log.end(), " "), quit ? 2 : 3);
        EXPECT_TRUE(host.messages.empty());
        const Lines status =
            quit ? Lines{"", "", "3 Records Transferred to  JFile", "", "Conversion cancelled"}
                 : Lines{"",
                         "",
                         "3 Records Transferred to  JFile",
                         "",
                         "Conversion cancelled",
                         "",
                         "3 Records Transferred to  JFile"};
        EXPECT_EQ(host.statusHistory, status);
        EXPECT_FALSE(fs::exists(work("input.tmp")));
        EXPECT_FALSE(fs::exists(work("out.tmp")));
    }
}

TEST_F(Jobs, CancelledChoiceConvertsNothingButStillSetsTheFlag) {
    settings.strategy.hotSyncId = "";
    EXPECT_TRUE(toJFile().files.empty());
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(host.statusText, "");
    EXPECT_TRUE(system.starts.empty());
    EXPECT_EQ(installFlag("Install"), 1u);
}

TEST_F(Jobs, KeyThatCannotBeOpenedGetsItsPlainMessage) {
    system.registryResult = RegistryResult::KeyNotOpened;
    toJFile();
    EXPECT_EQ(host.messages, (std::vector<Msg>{{MessageKind::Plain, "Couldn't open key "}}));
    system.registryResult = RegistryResult::WriteFailed;
    host.messages.clear();
    setHotSyncInstallFlag(ctx, settings.strategy.hotSyncId);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Error);
}

TEST_F(Jobs, ExportWithoutRecordMarkNeverReachesTheConverter) {
    choose({exportFile("loose.txt", "no-record-mark.txt")});
    toJFile();
    EXPECT_EQ(host.log.back(), "Endnote file record count was 0");
    EXPECT_EQ(host.log.size(), 7u);
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Error,
                                 "Error Converting EndNote file\n" + folder / "loose.txt" +
                                     ": it holds no record (no record ends with the byte 0xB0)"}}));
    EXPECT_TRUE(system.starts.empty());
    EXPECT_FALSE(host.progress.shown);
    EXPECT_EQ(host.busyDepth, 0);
}

TEST_F(Jobs, MissingConverterClosesTheProgressAndAddsNoResult) {
    fs::remove(joinPath(ctx.programFolder, "jconvpro.exe"));
    choose({exportFile("refs.txt")});
    toJFile();
    EXPECT_EQ(
        host.messages,
        (std::vector<Msg>{{MessageKind::Plain, "Jconvpro.exe not found!\n" +
                                                   joinPath(ctx.programFolder, "jconvpro.exe") +
                                                   ": No such file or directory"}}));
    EXPECT_EQ(host.log.back(), "Endnote file record count was 3");
    EXPECT_EQ(host.statusText, "");
    EXPECT_FALSE(host.progress.shown);
}

TEST_F(Jobs, NoFieldSelectedStopsBeforeTheCsv) {
    for (int n = 1; n <= kFieldCount; ++n) window.setFieldTicked(n, false);
    choose({exportFile("refs.txt")});
    toJFile();
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1],
              (Msg{MessageKind::Error, "Unable to build .IFO file\n" + folder / "refs.txt"}));
    EXPECT_TRUE(host.log.empty());
    EXPECT_FALSE(fs::exists(work("refs.csv")));
}

TEST_F(Jobs, HeldOutputSlotIsLogged) {
    ASSERT_TRUE(output.open(folder / "held.txt"));
    choose({});
    toJFile();
    EXPECT_EQ(host.log, Lines{"btn2jfclickout still open"});
    output.close();
}

TEST_F(Jobs, ToEndNoteNamesLogsAndReports) {
    const std::string pdb = folder / "RQ-refs.PDB";
    writeFile(pdb, "\"Author\",\"Title\"\r\n\"A\",\"B\"\r\n\"C\",\"D\"\r\n");
    choose({pdb});
    toEndNote();

    EXPECT_EQ(host.log, (Lines{" ", "JFile to EndNote", "sCsv Name is " + work("RQ-refs.out"),
                               "sPdb Name is " + pdb, "IFO  Name is " + work("temp.ifo"),
                               "2 Records Transferred to EndNote"}));
    EXPECT_EQ(host.statusText, "2 Records Transferred to EndNote");
    EXPECT_TRUE(host.messages.empty());
    const std::string tsv = readFile(joinPath(endNote, "RQ-refs.tsv"));
    EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 4);
    EXPECT_NE(tsv.find(" \tA\t \tB\t"), std::string::npos);
    EXPECT_TRUE(fs::exists(work("RQ-refs.out")));
    EXPECT_EQ(system.starts[0].commandLine.find("   "),
              system.starts[0].commandLine.find("out.tmp") + 7);
    EXPECT_EQ(host.busyDepth, 0);
    EXPECT_FALSE(host.progress.shown);
    EXPECT_EQ(host.progress.phase, ProgressPhase::CsvToEndNote);
}

TEST_F(Jobs, ToEndNoteGoesOnAfterAFailedDatabase) {
    const std::string one = folder / "one.pdb", two = folder / "two.x.pdb",
                      three = folder / "three";
    writeFile(one, "\"Title\"\r\n\"a\"\r\n");
    writeFile(two, "\"Title\"\r\n\"FAIL\"\r\n");
    writeFile(three, "\"Title\"\r\n");
    writeFile(joinPath(endNote, "two.x.tsv"), "earlier");
    choose({one, two, three});
    const JobResult result = toEndNote();
    const auto importOf = [&](const char* name) { return joinPath(endNote, name); };
    EXPECT_EQ(result.files, (std::vector<FileResult>{
                                {one, importOf("one.tsv"), FileOutcome::Converted, 1, 0},
                                {two, importOf("two.x.tsv"), FileOutcome::Failed, 0, 0},
                                {three, importOf("three.tsv"), FileOutcome::Converted, 0, 0}}));

    const std::string why = two + ": jconvpro.exe reported an error; its output was not used";
    EXPECT_EQ(host.log.size(), 19u);
    EXPECT_EQ(host.log[5], "1 Records Transferred to EndNote");
    EXPECT_EQ(host.log[8], "sCsv Name is " + work("two.x.out"));
    EXPECT_EQ(host.log[11], why);
    EXPECT_EQ(host.log[12], "CSV2PDB returned  0");
    EXPECT_EQ(host.log[15], "sCsv Name is " + work("three.out"));
    EXPECT_EQ(host.log[18], "0 Records Transferred to EndNote");
    EXPECT_EQ(readFile(joinPath(endNote, "two.x.tsv")), "earlier");
    EXPECT_EQ(host.shownErrorLogs.size(), 1u);
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Error, "CSV Output file not created\n" + why}}));
    EXPECT_EQ(host.statusText, "0 Records Transferred to EndNote");
    // A header-only CSV gives the two header lines.
    const std::string tsv = readFile(joinPath(endNote, "three.tsv"));
    EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 2);
}

TEST_F(Jobs, ImportFileThatCannotBeWrittenFailsItsDatabase) {
    settings.strategy.endNoteFolder = folder / "no such folder";
    const std::string pdb = folder / "RQ-x.PDB";
    writeFile(pdb, "\"Title\"\r\n\"a\"\r\n");
    choose({pdb});
    const JobResult result = toEndNote();
    ASSERT_EQ(result.files.size(), 1u);
    EXPECT_EQ(result.files[0].outcome, FileOutcome::Failed);
    // The reason is in the system's own words.
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(
        host.messages[0].text.rfind("Couldnt open output output File\n" +
                                        joinPath(folder / "no such folder", "RQ-x.tsv") + ": ",
                                    0),
        0u)
        << host.messages[0].text;
    EXPECT_EQ(host.statusText, "0 Records Transferred to EndNote");
}

TEST_F(Jobs, ToEndNoteCancelledDoesNothing) {
    toEndNote();
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(host.statusText, "");
    EXPECT_TRUE(system.starts.empty());
}

TEST_F(Jobs, SameDatabaseTwiceReplacesTheImportFile) {
    const std::string pdb = folder / "RQ-x.PDB";
    writeFile(pdb, "\"Title\"\r\n\"first\"\r\n\"second\"\r\n");
    choose({pdb});
    toEndNote();
    writeFile(pdb, "\"Title\"\r\n\"third\"\r\n");
    choose({pdb});
    toEndNote();
    const std::string tsv = readFile(joinPath(endNote, "RQ-x.tsv"));
    EXPECT_EQ(tsv.find("first"), std::string::npos);
    EXPECT_NE(tsv.find("third"), std::string::npos);
}

// One run, one database per name: a second input that would replace the first one's output
// (or take its name on the handheld) is refused, naming both, and the first is kept.
TEST_F(Jobs, InputsOfOneRunNeverShareAnOutput) {
    fs::create_directories(folder / "A");
    fs::create_directories(folder / "B");
    const std::string a = exportFile("A/x.txt"), b = exportFile("B/x.txt");
    const std::string longA = exportFile("A very long name one.txt");
    const std::string longB = exportFile("A very long name two.txt");  // same first 19 characters
    choose({a, b, longA, longB});
    const JobResult result = toJFile();
    ASSERT_EQ(result.files.size(), 4u);
    EXPECT_EQ(result.files[0].outcome, FileOutcome::Converted);
    EXPECT_EQ(result.files[1].outcome, FileOutcome::Failed);
    EXPECT_EQ(result.files[2].outcome, FileOutcome::Converted);
    EXPECT_EQ(result.files[3].outcome, FileOutcome::Failed);
    EXPECT_EQ(system.starts.size(), 2u);
    EXPECT_EQ(
        host.messages,
        (std::vector<Msg>{
            {MessageKind::Error, b + ": it would replace " + joinPath(palm, "RQ-x.PDB") +
                                     ", written from " + a + " in this run; it was not converted"},
            {MessageKind::Error,
             longB + ": it would replace " + joinPath(palm, "RQ-A very long name one.PDB") +
                 ", written from " + longA + " in this run; it was not converted"}}));
    // A second run may replace the first run's database, as always.
    choose({b});
    EXPECT_TRUE(toJFile().allConverted());
}

// The handheld keeps the name in Windows-1252 on every system; letters it lacks fold to their
// base letter, and the limit counts its one-byte characters.
TEST(PalmDatabaseName, StoredInWindows1252AndCutToNineteen) {
    const std::pair<std::string, std::string> cases[] = {
        {"refs.txt", "\"RQ-refs\""},
        {"\xc5\x81\xc3\xb3\x64\xc5\xba refs.txt", "\"RQ-L\xc3\xb3\x64z refs\""},
        {"Caf\xc3\xa9 \xe6\x9d\xb1 notes and more.txt", "\"RQ-Caf\xc3\xa9 ? notes and\""},
        {"Anthropology references.txt", "\"RQ-Anthropology ref\""},
    };
    for (const auto& [source, name] : cases) EXPECT_EQ(palmDatabaseName(source), name) << source;
}

// Names that no file system holds, and names with control characters, are refused or escaped
// before anything is written.
TEST_F(Jobs, OddNamesAreToldNotTripOver) {
    const std::string longName = exportFile(std::string(250, 'n') + ".txt");
    // Windows holds no control character in a name; POSIX does.
    const bool controls = kPathSeparator == '/';
    std::vector<std::string> files = {longName};
    if (controls) files.push_back(exportFile("two\nlines.txt"));
    choose(files);
    const JobResult result = toJFile();
    EXPECT_EQ(result.files[0].outcome, FileOutcome::Failed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              longName + ": name too long (the file RQ-" + std::string(250, 'n') +
                  ".PDB would need 257 bytes; a file name holds at most 255)");
    EXPECT_EQ(system.starts.size(), controls ? 1u : 0u);
    if (!controls) return;
    EXPECT_EQ(result.files[1].outcome, FileOutcome::Converted);
    endSession(ctx, settings, output);
    const std::string log = readFile(joinPath(ctx.programFolder, "Log.txt"));
    EXPECT_NE(log.find("sPdb Name is " + joinPath(palm, "RQ-two\\nlines.PDB") + "\r\n"),
              std::string::npos);
    EXPECT_EQ(log.find("two\nlines"), std::string::npos);
}

// Each direction's row names its files; the jobs and the driver take them from there.
TEST(Directions, RowsNameTheirFilesAndConverterRuns) {
    Strategy strategy;
    strategy.endNoteFolder = "EN";
    strategy.palmInstallFolder = "PI";
    strategy.palmBackupFolder = "PB";
    struct Row {
        Direction direction;
        std::string startFolder, output, csvExtension;
        char code;
        ProgressPhase phase;
    };
    const Row rows[] = {
        {Direction::EndNoteToJFile, "EN", joinPath("PI", "RQ-My refs.PDB"), ".csv", '1',
         ProgressPhase::CsvToJFile},
        {Direction::JFileToEndNote, "PB", joinPath("EN", "My refs.tsv"), ".out", '2',
         ProgressPhase::JFileToCsv},
    };
    ASSERT_EQ(directions().size(), std::size(rows));
    for (const Row& row : rows) {
        const DirectionInfo& info = directionInfo(row.direction);
        EXPECT_EQ(info.direction, row.direction);
        EXPECT_EQ(strategy.*info.startFolder, row.startFolder);
        EXPECT_EQ(outputPath(info, strategy, joinPath("in", "My refs.txt")), row.output);
        EXPECT_EQ(info.csvExtension, row.csvExtension);
        EXPECT_EQ(info.converterCode, row.code);
        EXPECT_EQ(info.converterPhase, row.phase);
        EXPECT_NE(info.run, nullptr);
    }
}

}  // namespace
}  // namespace rq::test

namespace rq::test {
namespace {

// A file operation that fails at each step of a conversion (creating, writing or putting in
// place: the CSV, the IFO, the converter's input, the database, the import file). Each is a
// failure told with the file and the system's reason, and leaves no part of a file where a good
// one was: an earlier database stays when the converter was not reached (the driver deletes it
// before a run, as always), an earlier import file stays in every case.
class JobFaults : public Jobs {
  public:
    void TestBody() override {}
    using Harness::ctx;
    using Harness::folder;
    using Harness::host;
    using Harness::output;
    using Harness::system;
    using Jobs::choose;
    using Jobs::endNote;
    using Jobs::exportFile;
    using Jobs::palm;
    using Jobs::SetUp;
    using Jobs::toEndNote;
    using Jobs::toJFile;
    using Jobs::work;
};

TEST(JobFaultsTable, EveryStepOfAConversion) {
    using Step = FileFault::Step;
    const std::string disk = ": No space left on device";
    struct Case {
        Direction direction;
        const char* pathPart;
        Step step;
        // "FILE" stands for the file that failed, "EXPORT" for the export converted.
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {Direction::EndNoteToJFile,
         "refs.csv",
         Step::Write,
         {"Error writing the CSV file\nFILE" + disk, "Error Converting EndNote file\nFILE" + disk}},
        {Direction::EndNoteToJFile,
         "refs.csv",
         Step::Commit,
         {"Error writing the CSV file\nFILE" + disk, "Error Converting EndNote file\nFILE" + disk}},
        {Direction::EndNoteToJFile,
         "refs.IFO",
         Step::Write,
         {"Failure writing .IFO file FILE" + disk, "Unable to build .IFO file\nEXPORT"}},
        {Direction::EndNoteToJFile,
         "refs.IFO",
         Step::Create,
         {"Failure creating .IFO file \nFILE" + disk, "Unable to build .IFO file\nEXPORT"}},
        {Direction::EndNoteToJFile,
         "input.tmp",
         Step::Commit,
         {"Output file not created\nEXPORT: could not be copied to the work file FILE" + disk}},
        {Direction::EndNoteToJFile,
         "RQ-refs.PDB",
         Step::Write,
         {"Output file not created\nFILE" + disk}},
        {Direction::EndNoteToJFile,
         "RQ-refs.PDB",
         Step::Commit,
         {"Output file not created\nFILE" + disk}},
        {Direction::JFileToEndNote,
         "refs.tsv",
         Step::Write,
         {"Couldnt write output File\nFILE" + disk}},
        {Direction::JFileToEndNote,
         "refs.tsv",
         Step::Commit,
         {"Couldnt write output File\nFILE" + disk}},
        {Direction::JFileToEndNote,
         "refs.tsv",
         Step::Create,
         {"Couldnt open output output File\nFILE" + disk}},
        {Direction::JFileToEndNote,
         "refs.out",
         Step::Commit,
         {"CSV Output file not created\nFILE" + disk}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pathPart) + " " + std::to_string(static_cast<int>(c.step)));
        JobFaults t;
        t.SetUp();
        const bool toPalm = c.direction == Direction::EndNoteToJFile;
        std::string source;
        if (toPalm) {
            source = t.exportFile("refs.txt");
        } else {
            source = t.folder / "RQ-refs.pdb";
            writeFile(source, "\"Title\"\r\n\"a\"\r\n");
        }
        const std::string output =
            toPalm ? joinPath(t.palm, "RQ-refs.PDB") : joinPath(t.endNote, "RQ-refs.tsv");
        writeFile(output, "EARLIER GOOD FILE");
        t.system.fileFault = {c.step, c.pathPart};
        t.choose({source});
        const JobResult result = toPalm ? t.toJFile() : t.toEndNote();

        ASSERT_EQ(result.files.size(), 1u);
        if (toPalm) {
            EXPECT_EQ(result.files[0].outcome, FileOutcome::Failed);
        }
        std::vector<std::string> texts;
        for (const auto& m : t.host.messages) texts.push_back(m.text);
        ASSERT_EQ(texts.size(), c.messages.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::string expected = c.messages[i];
            if (const auto at = expected.find("EXPORT"); at != std::string::npos) {
                expected.replace(at, 6, source);
            }
            if (const auto at = expected.find("FILE"); at != std::string::npos) {
                // The failing file's full path stands where its name is expected.
                const std::size_t end = texts[i].find(": ", at);
                const std::string named = texts[i].substr(at, end - at);
                EXPECT_NE(named.find(c.pathPart), std::string::npos) << texts[i];
                expected.replace(at, 4, named);
            }
            EXPECT_EQ(texts[i], expected);
        }
        // A failure at any step keeps the earlier good output byte for byte.
        EXPECT_EQ(readFile(output), "EARLIER GOOD FILE");
        // No temporary file anywhere, no work file of the run.
        for (const auto& entry : fs::recursive_directory_iterator(t.folder.path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_EQ(name.find(".rqnew"), std::string::npos) << entry.path();
            EXPECT_NE(name, "input.tmp");
            EXPECT_NE(name, "out.tmp");
        }
        EXPECT_FALSE(t.output.isOpen());
    }
}

// Past the import file's limit the database is still built, but the user hears at once that
// the way back reads only the first 10,000 records; the way back says so when it stops there.
TEST_F(Jobs, TheImportLimitIsToldOnBothWays) {
    EXPECT_EQ(importLimitWarning(kImportRecordLimit), "");
    const std::string record = "Book\tAnderson, M.\t1991\tImagined places\xB0\r\n";
    std::string many;
    for (long i = 0; i <= kImportRecordLimit; ++i) many += record;
    const std::string big = folder / "big.txt";
    writeFile(big, many);
    choose({big});
    ASSERT_TRUE(toJFile().allConverted());
    const std::string warning =
        "JFile to EndNote will read only the first 10000 of these 10001 records";
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), warning), 1);
    EXPECT_EQ(host.statusText, "10001 Records Transferred to  JFile. " + warning);

    std::string csv = "\"Author\",\"Title\"\r\n";
    for (long i = 0; i <= kImportRecordLimit; ++i) csv += "\"A\",\"B\"\r\n";
    const std::string pdb = folder / "RQ-big.PDB";
    writeFile(pdb, csv);
    choose({pdb});
    toEndNote();
    EXPECT_EQ(host.statusText,
              "10000 Records Transferred to EndNote (stopped at the limit of 10000 records)");
    EXPECT_EQ(host.log.back(), "10000 Records Transferred to EndNote");
}

}  // namespace
}  // namespace rq::test
