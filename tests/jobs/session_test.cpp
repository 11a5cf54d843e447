// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <functional>

#include "base/path.h"
#include "engine/session.h"
#include "engine/strategy_file.h"
#include "jobs/harness.h"

namespace rq::test {
namespace {

using Msg = PlainHost::Message;

class Session : public ::testing::Test, protected Harness {
  protected:
    std::string strat, exchange;

    void SetUp() override {
        strat = joinPath(ctx.programFolder, "Strat.jfp");
        exchange = joinPath(ctx.programFolder, "Import and Export");
    }

    // A strategy file whose lines 3 to 6 and 8 are given; the rest as the factory writes them.
    std::string strategyText(const std::string& line7) {
        std::string text = "\r\n\r\n/ends\r\n/palm\r\n/backup\r\n1234\r\n" + line7 + "\r\n";
        text += "0,1,1,\r\n64,1,64,\r\n15,80,30,\r\n";
        for (int n = 1; n <= 31; ++n) text += "fld" + std::to_string(n) + "\r\n";
        return text + "110\r\n1\r\n8\r\n";
    }
};

// The file is written only as the strategy that is used, folders resolved: a run killed at any
// moment leaves no file that names folders of another system.
TEST_F(Session, FirstStartWritesTheFactoryDefaultsWithTheirFoldersResolved) {
    startSession(ctx, settings, output);
    const std::string factory =
        readFile(std::string(RQ_TEST_DATA_DIR) + "/engine/factory-default.jfp");
    std::size_t sixth = 0;
    for (int line = 0; line < 6; ++line) sixth = factory.find('\n', sixth) + 1;
    const std::string expected = "\r\n\r\n" + exchange + "\r\n" + exchange + "\r\n" + exchange +
                                 "\r\n0000\r\n" + factory.substr(sixth);
    EXPECT_EQ(readFile(strat).substr(0, expected.size()), expected);
    EXPECT_TRUE(strategyTextComplete(readFile(strat)));
    for (int n = 1; n <= 31; ++n) {
        EXPECT_EQ(window.fields[n].ticked, n <= 15) << n;
        EXPECT_EQ(window.fields[n].widthText, "3990") << n;
        EXPECT_EQ(window.fields[n].bold, n == 1 || n == 3 || n == 7 || n == 8) << n;
    }
    EXPECT_TRUE(window.lock);
    EXPECT_EQ(settings.strategy.endNoteFolder, exchange);
    EXPECT_EQ(settings.strategy.palmInstallFolder, exchange);
    EXPECT_EQ(settings.strategy.palmBackupFolder, exchange);
    EXPECT_EQ(settings.strategy.hotSyncId, "0000");
    EXPECT_EQ(settings.strategy.dataWidth, 110);
    EXPECT_EQ(settings.strategy.firstColumn, 1);
    EXPECT_TRUE(fs::is_directory(ctx.workFolder));
    EXPECT_TRUE(fs::is_directory(exchange));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Session, StrategyIsReadFromTheProgramFolderWhereverTheRunStarts) {
    writeFile(strat, strategyText("100,200,300,"));
    fs::create_directories(ctx.workFolder);
    writeFile(joinPath(ctx.workFolder, "keep.csv"), "kept");
    startSession(ctx, settings, output);
    EXPECT_EQ(settings.strategy.endNoteFolder, "/ends");
    EXPECT_EQ(settings.strategy.hotSyncId, "1234");
    EXPECT_EQ(window.fields[2].widthText, "200");
    EXPECT_FALSE(window.fields[1].ticked);
    EXPECT_TRUE(window.fields[3].ticked);
    EXPECT_EQ(readFile(joinPath(ctx.workFolder, "keep.csv")), "kept");
    EXPECT_TRUE(host.messages.empty());
}

// A damaged file is backed up under the next free name, never half applied, and not written
// over unless the user changes the settings.
TEST_F(Session, UnreadableNumberKeepsTheUsersFileAsABackupAndSaysWhere) {
    const std::string original = strategyText("100,oops,300,");
    writeFile(strat, original);
    const std::string older = joinPath(ctx.programFolder, "Strat.jfp.bak");
    const std::string backup = older + "2";
    writeFile(older, "an older copy");
    startSession(ctx, settings, output);

    EXPECT_EQ(readFile(older), "an older copy");
    EXPECT_EQ(readFile(backup), original);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], (Msg{MessageKind::Error, "'oops' is not a valid integer value"}));
    EXPECT_NE(host.messages[1].text.find(backup), std::string::npos);
    // The factory settings, not the lines read before the bad one.
    EXPECT_EQ(settings.strategy.endNoteFolder, exchange);
    EXPECT_EQ(settings.strategy.slots[1].fieldType, 64);
    EXPECT_TRUE(window.fields[1].ticked);

    endSession(ctx, settings, output);
    EXPECT_EQ(readFile(strat), original);
    EXPECT_EQ(readFile(backup), original);
}

// The end of a run writes the strategy only when this run changed it: a change saved meanwhile
// by hand or by another program is kept.
TEST_F(Session, EndWritesOnlyWhatThisRunChanged) {
    writeFile(strat, strategyText("100,200,300,"));
    startSession(ctx, settings, output);
    std::string edited = strategyText("100,200,300,");
    edited.replace(edited.find("1234"), 4, "9999");
    writeFile(strat, edited);
    EXPECT_TRUE(endSession(ctx, settings, output));
    EXPECT_EQ(readFile(strat), edited);

    host.messages.clear();
    startSession(ctx, settings, output);
    EXPECT_EQ(settings.strategy.hotSyncId, "9999");
    window.setWidthText(3, "77");
    EXPECT_TRUE(endSession(ctx, settings, output));
    EXPECT_NE(readFile(strat).find("\r\n100,200,77,"), std::string::npos);
}

// A file left by a run killed at its first start names the factory's drive folders: on a system
// without drives they stand for the exchange folder, never for a folder named "\Out2Palm".
TEST_F(Session, FactoryDriveFoldersMeanTheExchangeFolderWithoutDrives) {
    const std::string factory =
        readFile(std::string(RQ_TEST_DATA_DIR) + "/engine/factory-default.jfp");
    writeFile(strat, factory);
    startSession(ctx, settings, output);
    const std::string expected = kPathSeparator == '/' ? exchange : "\\Out2Palm";
    EXPECT_EQ(settings.strategy.palmInstallFolder, expected);
    EXPECT_EQ(settings.strategy.palmBackupFolder, expected);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(endSession(ctx, settings, output));
    EXPECT_EQ(readFile(strat), factory);
}

// Folders go into "Strat.jfp" in the system's code page, as Windows' ANSI code page 1252 is
// played here: é is one byte, Ł has no place.
TEST_F(Session, FoldersAreStoredInTheSystemsCodePageOrNotAtAll) {
    const std::string cafe = "/Caf\xc3\xa9";  // é in UTF-8
    const std::string lodz =
        "/\xc5\x81\xc3\xb3"
        "d\xc5\xba";  // Łódź
    system.storedTextRule = [](const std::string& text) -> std::optional<std::string> {
        if (text.find('\xc5') != std::string::npos) return std::nullopt;
        std::string out = text;
        for (std::size_t at; (at = out.find("\xc3\xa9")) != std::string::npos;)
            out.replace(at, 2, "\xe9");
        return out;
    };
    system.textFromStoredRule = [](const std::string& bytes) {
        std::string out = bytes;
        for (std::size_t at; (at = out.find('\xe9')) != std::string::npos;)
            out.replace(at, 1, "\xc3\xa9");
        return out;
    };
    struct Case {
        std::string folder;
        std::string shortForm;   // what the system gives as the folder's 8.3 form; "" for none
        std::string storedLine;  // "" when nothing may be written
        std::string readBack;
    };
    const Case cases[] = {
        {cafe, "", "/Caf\xe9", cafe},
        {lodz, "/LD~1", "/LD~1", "/LD~1"},
        {lodz, "", "", ""},
    };
    for (const Case& c : cases) {
        writeFile(strat, "old");
        host.messages.clear();
        system.shortFolder = c.shortForm;
        settings.strategy.endNoteFolder = c.folder;
        const bool written = writeStrategyFile(ctx, settings.strategy, output, strat);
        EXPECT_EQ(written, !c.storedLine.empty()) << c.folder;
        if (!written) {
            EXPECT_EQ(readFile(strat), "old");
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0].kind, MessageKind::Error);
            EXPECT_NE(host.messages[0].text.find(strat), std::string::npos);
            EXPECT_NE(host.messages[0].text.find(c.folder), std::string::npos);
            EXPECT_NE(host.messages[0].text.find("code page"), std::string::npos);
            continue;
        }
        EXPECT_TRUE(host.messages.empty()) << c.folder;
        EXPECT_EQ(readFile(strat).substr(0, 4 + c.storedLine.size() + 2),
                  "\r\n\r\n" + c.storedLine + "\r\n");
        settings.strategy.endNoteFolder.clear();
        ASSERT_EQ(readStrategyFile(ctx, settings.strategy, strat), StrategyRead::Read);
        EXPECT_EQ(settings.strategy.endNoteFolder, c.readBack);
    }
}

TEST_F(Session, EndWritesStrategyWithTheWindowsChangesAndTheLog) {
    startSession(ctx, settings, output);
    window.setFieldTicked(20, true);
    window.setWidthText(20, "42");
    host.appendLog(" ");
    host.appendLog("JFile to EndNote");
    endSession(ctx, settings, output);

    EXPECT_EQ(readFile(joinPath(ctx.programFolder, "Log.txt")),
              " \r\nJFile to EndNote\r\n \r\nProgram location:  " + ctx.programFolder + "\r\n");
    const std::string text = readFile(strat);
    EXPECT_NE(text.find("\r\n1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,0,0,0,0,1,0,"), std::string::npos);
    EXPECT_NE(text.find(",3990,42,3990,"), std::string::npos);
}

TEST_F(Session, RunWithoutConversionsLogsTheTwoClosingLines) {
    startSession(ctx, settings, output);
    endSession(ctx, settings, output);
    EXPECT_EQ(readFile(joinPath(ctx.programFolder, "Log.txt")),
              " \r\nProgram location:  " + ctx.programFolder + "\r\n");
}

}  // namespace
}  // namespace rq::test

namespace rq::test {
namespace {

// What start-up makes of the strategy file: only a missing one gets the factory defaults
// silently; any other one that cannot be used whole is kept before anything writes over it.
TEST(SessionStrategyFile, NeverLostAtStartOrEnd) {
    const std::string full = [] {
        std::string text = "\r\n\r\n/ends\r\n/palm\r\n/backup\r\n1234\r\n";
        for (int line = 7; line <= 10; ++line) {
            for (int n = 1; n <= 31; ++n) text += line == 7 ? "200," : line == 8 ? "1," : "64,";
            text += "\r\n";
        }
        for (int n = 1; n <= 31; ++n) text += "fld" + std::to_string(n) + ",alpha,beta\r\n";
        return text + "110\r\n1\r\n8\r\n";
    }();
    enum class Expect { Silent, KeptAsBackup, LeftAlone };
    const struct {
        const char* name;
        std::function<void(const std::string& strat)> prepare;
        Expect expect;
    } cases[] = {
        {"missing", [](const std::string&) {}, Expect::Silent},
        {"whole", [&](const std::string& s) { writeFile(s, full); }, Expect::Silent},
        {"factory defaults",
         [](const std::string& s) {
             writeFile(s, readFile(std::string(RQ_TEST_DATA_DIR) + "/engine/factory-default.jfp"));
         },
         Expect::Silent},
        {"cut at 600 bytes", [&](const std::string& s) { writeFile(s, full.substr(0, 600)); },
         Expect::KeptAsBackup},
        {"cut after a line",
         [&](const std::string& s) { writeFile(s, full.substr(0, full.find("fld20"))); },
         Expect::KeptAsBackup},
        {"empty", [](const std::string& s) { writeFile(s, ""); }, Expect::KeptAsBackup},
        {"cannot be read", [](const std::string& s) { fs::create_directories(s + "/inside"); },
         Expect::LeftAlone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        const std::string strat = joinPath(h.ctx.programFolder, "Strat.jfp");
        const std::string backup = joinPath(h.ctx.programFolder, "Strat.jfp.bak");
        c.prepare(strat);
        const std::string before = fs::is_regular_file(strat) ? readFile(strat) : "";
        startSession(h.ctx, h.settings, h.output);

        switch (c.expect) {
            case Expect::Silent:
                EXPECT_TRUE(h.host.messages.empty());
                EXPECT_FALSE(fs::exists(backup));
                break;
            case Expect::KeptAsBackup:
                EXPECT_EQ(readFile(backup), before);
                ASSERT_EQ(h.host.messages.size(), 1u);
                EXPECT_NE(h.host.messages[0].text.find(backup), std::string::npos);
                break;
            case Expect::LeftAlone:
                EXPECT_FALSE(fs::exists(backup));
                ASSERT_FALSE(h.host.messages.empty());
                EXPECT_NE(h.host.messages.back().text.find(strat + " is left as it is"),
                          std::string::npos);
                // The factory settings are used all the same.
                EXPECT_EQ(h.window.fields[1].widthText, "3990");
                break;
        }
        EXPECT_TRUE(endSession(h.ctx, h.settings, h.output));
        if (c.expect == Expect::LeftAlone) {
            EXPECT_TRUE(fs::is_directory(strat + "/inside"));
        } else if (c.expect == Expect::KeptAsBackup) {
            // Not written over at the end: the run changed nothing.
            EXPECT_EQ(readFile(strat), before);
            EXPECT_EQ(readFile(backup), before);
        } else {
            EXPECT_TRUE(strategyTextComplete(readFile(strat)));
        }
    }
}

// A failed write of "Strat.jfp" or "Log.txt" at the end is told, with the path and the reason,
// and the earlier file stays whole.
TEST(SessionEnd, FailedWritesAreReportedAndKeepTheOldFiles) {
    using Step = FileFault::Step;
    for (const char* name : {"Strat.jfp", "Log.txt"}) {
        for (const Step step : {Step::Create, Step::Write, Step::Commit}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(static_cast<int>(step)));
            Harness h;
            startSession(h.ctx, h.settings, h.output);
            h.window.setWidthText(5, "55");  // a change, which the end writes
            const std::string path = joinPath(h.ctx.programFolder, name);
            writeFile(path, "EARLIER GOOD FILE");
            h.host.messages.clear();
            h.system.fileFault = {step, name};
            EXPECT_FALSE(endSession(h.ctx, h.settings, h.output));
            EXPECT_EQ(readFile(path), "EARLIER GOOD FILE");
            EXPECT_FALSE(holdsReplacementFile(h.ctx.programFolder));
            ASSERT_EQ(h.host.messages.size(), 1u);
            EXPECT_EQ(h.host.messages[0].kind, MessageKind::Error);
            EXPECT_NE(h.host.messages[0].text.find(path + ": No space left on device"),
                      std::string::npos)
                << h.host.messages[0].text;
        }
    }
}

}  // namespace
}  // namespace rq::test
