// SPDX-License-Identifier: MIT
// The driver and both jobs through the real platform services, with our converter and with
// stand-in converters that fail in one way each.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "base/path.h"
#include "engine/converter_driver.h"
#include "engine/file_replace.h"
#include "engine/jobs.h"
#include "engine/session.h"
#include "jobs/harness.h"
#include "jobs/recording_host.h"
#include "platform/platform.h"
#include "support/fake_system.h"
#include "support/test_system.h"

namespace rq::test {
namespace {

using Msg = PlainHost::Message;
using Lines = std::vector<std::string>;

Lines lines(const std::string& text) {
    Lines out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

class EndToEnd : public ::testing::Test {
  protected:
    TempFolder folder;
    RecordingHost host;
    std::unique_ptr<SystemServices> system;
    InMemoryStrategyWindow window;
    std::unique_ptr<ConversionContext> ctx;
    UserSettings settings;
    std::unique_ptr<OutputFile> output;
    std::string exchange;

    void SetUp() override {
        // Per-user files of the platform (registry store, J-Pilot queue, short links) go here.
        fs::create_directories(folder / "home/.jpilot");
        setEnvironment("HOME", folder / "home");
        setEnvironment("XDG_CONFIG_HOME", folder / "config");
        setEnvironment("XDG_RUNTIME_DIR", folder / "run");
        forgetUserDword(std::string(kHotSyncKey), "Install0000", folder / "config");
        fs::create_directories(folder / "run");
        fs::permissions(folder / "run", fs::perms::owner_all, fs::perm_options::replace);

        system = createSystemServices();
        ctx = std::make_unique<ConversionContext>(host, *system, window);
        output = std::make_unique<OutputFile>(system.get());
        ctx->setProgramFolder(folder / "Program Files/Refquill Test");
        fs::create_directories(ctx->programFolder);
        startSession(*ctx, settings, *output);
        exchange = joinPath(ctx->programFolder, "Import and Export");
        host.messages.clear();
        host.calls.clear();
    }

    void install(const std::string& program) {
        const std::string to = joinPath(ctx->programFolder, "jconvpro.exe");
        // Our converter is named jconvpro.exe everywhere; the stand-ins carry the system's suffix.
        const bool named = program.size() > 4 && program.substr(program.size() - 4) == ".exe";
        copyReplacing(std::string(RQ_BIN_DIR) + "/" + program + (named ? "" : RQ_EXE_SUFFIX), to);
        fs::permissions(to, fs::perms::owner_all);
    }

    std::string work(const std::string& name) const { return joinPath(ctx->workFolder, name); }

    std::string exportFile(const std::string& name, const std::string& data = "three-refs.txt") {
        const std::string path = folder / name;
        copyReplacing(dataFile(data), path);
        return path;
    }

    std::string sampleCsv() {
        const std::string path = folder / "in.csv";
        writeFile(path, "\"Title\"\r\n\"t\"\r\n");
        return path;
    }

    std::string ifo() {
        writeFile(work("x.IFO"), "ifo");
        return work("x.IFO");
    }

    void expectWorkFilesTidied() {
        EXPECT_FALSE(fs::exists(work("input.tmp")));
        EXPECT_FALSE(fs::exists(work("out.tmp")));
        EXPECT_TRUE(fs::exists(work("ifo.tmp")));
    }
};

TEST_F(EndToEnd, ConverterErrorLogIsShownBeforeTheMissingOutputMessage) {
    install("rq_fake_jconv_errlog");
    writeFile(work("x.IFO"), "ifo");
    ExternalConverter driver(*ctx);
    const std::string pdb = joinPath(exchange, "RQ-x.PDB");
    writeFile(pdb, "old");
    EXPECT_FALSE(driver.convertCsvToPdb(sampleCsv(), pdb, work("x.IFO"), "\"RQ-My refs\""));
    EXPECT_EQ(host.calls, (Lines{"converter to JFile", "end", "log " + work("jconvpro.err"),
                                 "message Output file not created\n" + sampleCsv() +
                                     ": jconvpro.exe reported an error; its output was not used"}));
    EXPECT_EQ(host.shownErrorLogs, (std::vector<Lines>{{"fake failure", "line 2"}}));
    EXPECT_EQ(readFile(pdb), "old");
    expectWorkFilesTidied();

    // The program folder holds blanks; every argument still arrives whole.
    const Lines args = lines(readFile(work("fake-args.txt")));
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(args[0], "1");
    EXPECT_EQ(args[3], "RQ-My refs");
    for (int i : {1, 2, 4}) EXPECT_EQ(args[i].find(' '), std::string::npos) << args[i];
    EXPECT_EQ(fileName(args[1]), "input.tmp");
    EXPECT_EQ(fileName(args[2]), "out.tmp");
    EXPECT_EQ(fileName(args[4]), "ifo.tmp");
    EXPECT_EQ(readFile(args[4]), "ifo");
}

TEST_F(EndToEnd, ConverterThatWritesNothingGivesTheMissingOutputMessageOnly) {
    install("rq_fake_jconv_nothing");
    ExternalConverter driver(*ctx);
    EXPECT_FALSE(driver.convertPdbToCsv(sampleCsv(), work("x.out"), ifo()));
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Error, "CSV Output file not created\n" + sampleCsv() +
                                                         ": jconvpro.exe wrote no output"}}));
    EXPECT_TRUE(host.shownErrorLogs.empty());
    expectWorkFilesTidied();
    // The single blank of the fourth argument vanishes in the splitting.
    const Lines args = lines(readFile(work("fake-args.txt")));
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(args[0], "2");
    EXPECT_EQ(fileName(args[3]), "ifo.tmp");
}

TEST_F(EndToEnd, ErrorLogWinsOverAnOutput) {
    install("rq_fake_jconv_both");
    ExternalConverter driver(*ctx);
    EXPECT_FALSE(driver.convertPdbToCsv(sampleCsv(), work("x.out"), ifo()));
    EXPECT_EQ(host.calls, (Lines{"converter to CSV", "end", "log " + work("jconvpro.err"),
                                 "message CSV Output file not created\n" + sampleCsv() +
                                     ": jconvpro.exe reported an error; its output was not used"}));
    EXPECT_FALSE(fs::exists(work("x.out")));
    EXPECT_TRUE(fs::exists(work("jconvpro.err")));
    expectWorkFilesTidied();
}

TEST_F(EndToEnd, SlowConverterMovesTheBarOncePerSecond) {
    install("rq_fake_jconv_slow");
    ExternalConverter driver(*ctx);
    const std::string pdb = joinPath(exchange, "RQ-x.PDB");
    EXPECT_TRUE(driver.convertCsvToPdb(sampleCsv(), pdb, ifo(), "\"x\""));
    EXPECT_EQ(readFile(pdb), fakePalmDatabase("\"Title\"\r\n\"t\"\r\n"));
    ASSERT_GE(host.steps.size(), 3u);
    for (std::size_t i = 0; i < host.steps.size(); ++i) {
        EXPECT_EQ(host.steps[i], static_cast<int>(i) + 1);
    }
    EXPECT_TRUE(host.messages.empty());
    expectWorkFilesTidied();
}

TEST_F(EndToEnd, CrashedConverterIsAFailureNotAHang) {
    install("rq_fake_jconv_crash");
    ExternalConverter driver(*ctx);
    const std::string pdb = joinPath(exchange, "RQ-x.PDB");
    EXPECT_FALSE(driver.convertCsvToPdb(sampleCsv(), pdb, ifo(), "\"x\""));
    // It wrote its output before it crashed; that output is not used.
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Error,
                                 "Output file not created\n" + sampleCsv() +
                                     ": jconvpro.exe ended abnormally (it crashed or was killed); "
                                     "its output was not used"}}));
    EXPECT_FALSE(fs::exists(pdb));
    EXPECT_EQ(driver.outcome(), ConverterOutcome::Failed);
    expectWorkFilesTidied();
}

// Converters that misbehave, as real processes: each run is a failure with its own reason, the
// process is gone afterwards, the earlier database is kept, and neither a part of a new one nor
// a work file is left.
TEST_F(EndToEnd, MisbehavingConvertersNeverPassForGoodOnes) {
    const struct {
        const char* program;
        std::int64_t timeout;
        bool cancel;
        ConverterOutcome outcome;
        const char* reason;  // after the file in the one message; nullptr: no message at all
    } cases[] = {
        {"rq_fake_jconv_truncated", 0, false, ConverterOutcome::Failed,
         "jconvpro.exe wrote a damaged database: "},
        {"rq_fake_jconv_garbage", 0, false, ConverterOutcome::Failed,
         "jconvpro.exe wrote a damaged database: "},
        {"rq_fake_jconv_hang", 1, false, ConverterOutcome::Failed,
         "jconvpro.exe did not finish within 1 seconds"},
        {"rq_fake_jconv_hang", 0, true, ConverterOutcome::Cancelled, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        install(c.program);
        host.messages.clear();
        ctx->clearStop();
        ctx->converterTimeoutSeconds = c.timeout;
        host.onPump = [&] {
            if (c.cancel && host.pumpCount > 20) ctx->requestStop(StopRequest::ThisFile);
        };
        const std::string pdb = joinPath(exchange, "RQ-x.PDB");
        writeFile(pdb, "EARLIER GOOD DATABASE");
        ExternalConverter driver(*ctx);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(driver.convertCsvToPdb(sampleCsv(), pdb, ifo(), "\"x\""));
        host.onPump = nullptr;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
        EXPECT_EQ(driver.outcome(), c.outcome);
        if (c.reason == nullptr) {
            EXPECT_TRUE(host.messages.empty());
        } else {
            ASSERT_EQ(host.messages.size(), 1u);
            const std::string start = "Output file not created\n" + sampleCsv() + ": " + c.reason;
            EXPECT_EQ(host.messages[0].text.rfind(start, 0), 0u) << host.messages[0].text;
        }
        EXPECT_EQ(readFile(pdb), "EARLIER GOOD DATABASE");
        EXPECT_FALSE(holdsReplacementFile(exchange));
        expectWorkFilesTidied();
    }
}

class Jobs : public EndToEnd {
  protected:
    void SetUp() override {
        EndToEnd::SetUp();
        install("jconvpro.exe");
    }
};

TEST_F(Jobs, ThreeExportsWithTheSecondRejectedByTheConverter) {
    // Notes may now be longer than JFile holds: the second export's value makes the converter fail.
    window.setWidthText(15, "5000");
    const std::string bad = folder / "bad.txt";
    writeFile(bad, "Book" + std::string(14, '\t') + std::string(4500, 'n') + "\xb0\r\n");
    runChosen(*ctx, settings, *output, Direction::EndNoteToJFile,
              Lines{exportFile("one.txt"), bad, exportFile("three.txt")});

    const std::string one = joinPath(exchange, "RQ-one.PDB");
    EXPECT_TRUE(fs::exists(one));
    EXPECT_FALSE(fs::exists(joinPath(exchange, "RQ-bad.PDB")));
    EXPECT_TRUE(fs::exists(joinPath(exchange, "RQ-three.PDB")));
    ASSERT_EQ(host.shownErrorLogs.size(), 1u);
    const std::string why = bad + ": jconvpro.exe reported an error; its output was not used";
    EXPECT_EQ(host.messages,
              (std::vector<Msg>{{MessageKind::Error, "Output file not created\n" + why}}));
    // The converter's report names the user's export and its record, not the work file.
    const std::vector<std::string>& report = host.shownErrorLogs[0];
    ASSERT_GE(report.size(), 2u);
    EXPECT_EQ(report[1].rfind(bad + ": record 1: field 15", 0), 0u) << report[1];
    for (const std::string& line : report) EXPECT_EQ(line.find(".tmp"), std::string::npos) << line;
    EXPECT_EQ(host.log.size(), 8u + 8u + 8u);
    EXPECT_EQ(host.log[14], "Endnote file record count was 1");
    EXPECT_EQ(host.log[15], why);
    EXPECT_EQ(host.log[16], " ");
    EXPECT_EQ(host.log.back(), "3 Records Transferred to  JFile");
    EXPECT_EQ(host.statusText, "3 Records Transferred to  JFile");

    // A JFile 5 database under the quoted name, one record per reference.
    const std::string pdb = readFile(one);
    ASSERT_GT(pdb.size(), 78u);
    EXPECT_EQ(pdb.substr(0, 7), std::string("RQ-one\0", 7));
    EXPECT_EQ(pdb.substr(60, 8), "JfD5JFi5");
    EXPECT_EQ(static_cast<unsigned char>(pdb[76]) * 256 + static_cast<unsigned char>(pdb[77]), 3);

    // The install flag, and on Linux the sync tool's queue too.
    EXPECT_EQ(storedUserDword("\\Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager",
                              "Install0000", folder / "config"),
              1u);
    if (kPlatformQueuesHandheldInstalls) {
        EXPECT_EQ(readFile(folder / "home/.jpilot/jpilot.install"),
                  one + "\n" + joinPath(exchange, "RQ-three.PDB") + "\n");
    }
}

TEST_F(Jobs, RoundTripKeepsTheExportsValuesAfterTheDocumentedChanges) {
    window.setWidthText(4, "10");  // Title cut to 10 bytes
    runChosen(*ctx, settings, *output, Direction::EndNoteToJFile, Lines{exportFile("refs.txt")});
    ASSERT_EQ(host.statusText, "3 Records Transferred to  JFile. Number of truncated records: 3");

    const std::string pdb = joinPath(exchange, "RQ-refs.PDB");
    runChosen(*ctx, settings, *output, Direction::JFileToEndNote, Lines{pdb});
    EXPECT_EQ(host.statusText, "3 Records Transferred to EndNote");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(Lines(host.log.end() - 6, host.log.end()),
              (Lines{" ", "JFile to EndNote", "sCsv Name is " + work("RQ-refs.out"),
                     "sPdb Name is " + pdb, "IFO  Name is " + work("temp.ifo"),
                     "3 Records Transferred to EndNote"}));

    // Fields 1 to 15 were selected; the others get a single space. An empty export field went
    // out as a space; fields a short record lacks come back empty.
    auto record = [](std::vector<std::string> values) {
        values.resize(31, " ");
        std::string line;
        for (std::size_t i = 0; i < values.size(); ++i)
            line += values[i] + (i < 30 ? "\t" : "\r\n");
        return line;
    };
    std::string expected = readFile(dataFile("two-header-lines.tsv"));
    expected += record({"Journal Article", "Haryanto, B.\x85Widjaja, L.", "1997", "Rice terra",
                        "Journal of Asian Studies", " ", " ", " ", "56", "3", "611-640", " ",
                        "irrigation; Bali", "Water at 25 C, the caf\xe9 says.", "read twice"});
    expected += record({"Book", "Anderson, M.", "1991", "Imagined p", " ", " ", "Ithaca",
                        "Cornell University Press", "", "", "", "", "", "", ""});
    std::vector<std::string> third(15, " ");
    third[0] = "Report";
    third[2] = "2010";
    third[3] = "Empty fiel";
    third[14] = std::string(120, 'x');
    expected += record(third);
    EXPECT_EQ(readFile(joinPath(exchange, "RQ-refs.tsv")), expected);
}

TEST_F(Jobs, DatabaseTheConverterRejectsLeavesNoImportFile) {
    const std::string notPdb = folder / "RQ-junk.PDB";
    writeFile(notPdb, "this is not a database");
    runChosen(*ctx, settings, *output, Direction::JFileToEndNote, Lines{notPdb});
    EXPECT_EQ(host.log.back(), "CSV2PDB returned  0");
    EXPECT_EQ(host.shownErrorLogs.size(), 1u);
    EXPECT_EQ(
        host.messages,
        (std::vector<Msg>{{MessageKind::Error,
                           "CSV Output file not created\n" + notPdb +
                               ": jconvpro.exe reported an error; its output was not used"}}));
    EXPECT_FALSE(fs::exists(joinPath(exchange, "RQ-junk.tsv")));
    EXPECT_EQ(host.statusText, "");
}

TEST_F(Jobs, CancelledChoicesWriteNothing) {
    runChosen(*ctx, settings, *output, Direction::JFileToEndNote);
    runChosen(*ctx, settings, *output, Direction::EndNoteToJFile);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(host.statusText, "");
    EXPECT_FALSE(fs::exists(folder / "home/.jpilot/jpilot.install"));
    EXPECT_EQ(storedUserDword(std::string(kHotSyncKey), "Install0000", folder / "config"), 1u);
}

}  // namespace
}  // namespace rq::test
