// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/file_replace.h"
#include "engine/strategy_file.h"
#include "formats_fixture.h"
#include "support/platform_traits.h"

namespace rq::test {
namespace {

using StrategyFileTest = FormatsTest;

// Lines 1 to 10 of a file with every per-field value the same, for tests that change one line.
std::string headLines(std::string_view lengths = "3990,", std::string_view selected = "1,") {
    std::string text = "\r\n\r\nen\r\npi\r\npb\r\nid\r\n";
    for (std::string_view v :
         {lengths, selected, std::string_view("1,"), std::string_view("80,")}) {
        for (int n = 0; n < kFieldCount; ++n) text += v;
        text += "\r\n";
    }
    return text;
}

TEST_F(StrategyFileTest, FactoryDefaultsFileIsByteExact) {
    const std::string target = path("strat.jfp");
    writeFile(target, "an older, longer file that must be replaced entirely\r\n\r\n\r\n");
    ASSERT_TRUE(writeFactoryDefaults(ctx, output, target));
    EXPECT_EQ(readFile(target), readFile(goldenPath("factory-default.jfp")));
    EXPECT_FALSE(std::filesystem::exists(replacementPath(target)));
    EXPECT_FALSE(output.isOpen());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(StrategyFileTest, FactoryDefaultsReadBackAsStartUpNeedsThem) {
    settings.strategy.dataWidth = 110;
    settings.strategy.firstColumn = 1;
    settings.strategy.lockFlags = 8;
    ASSERT_EQ(readStrategyFile(ctx, settings.strategy, goldenPath("factory-default.jfp")),
              StrategyRead::Read);
    const Strategy& s = settings.strategy;
    for (int n = 1; n <= kFieldCount; ++n) {
        EXPECT_EQ(s.slots[n].selected, n <= 15) << n;
        EXPECT_EQ(s.slots[n].maxLength, 3990) << n;
        EXPECT_EQ(s.slots[n].fieldType, (n == 1 || n == 3 || n == 7 || n == 8) ? 64 : 1) << n;
        EXPECT_EQ(s.slots[n].columnWidth, FieldCatalogue[n].columnWidth) << n;
        EXPECT_EQ(s.slots[n].popupWords, defaultPopupWords(n)) << n;
    }
    EXPECT_EQ(s.slots[1].popupWords.size(), 14u);
    EXPECT_EQ(s.slots[3].popupWords.front(), "1980");
    EXPECT_EQ(s.slots[3].popupWords.back(), "2010");
    EXPECT_EQ(s.slots[3].popupWords.size(), 31u);
    EXPECT_EQ(s.slots[7].popupWords.size(), 14u);
    EXPECT_EQ(s.slots[8].popupWords.back(), "Duke");
    EXPECT_EQ(s.slots[3].columnWidth, 30);
    EXPECT_EQ(s.endNoteFolder, "\\InFromEn");
    EXPECT_EQ(s.palmInstallFolder, "\\Out2Palm");
    EXPECT_EQ(s.palmBackupFolder, "\\Out2Palm");
    EXPECT_EQ(s.hotSyncId, "0000");
    EXPECT_EQ(s.dataWidth, 110);
    EXPECT_EQ(s.firstColumn, 1);
    EXPECT_EQ(s.lockFlags, 8);
    EXPECT_EQ(host.pumpCount, 20);  // before each of the 19 lines and before the end
}

Strategy variedStrategy() {
    Strategy s;
    for (int n = 1; n <= kFieldCount; ++n) {
        s.slots[n].maxLength = 5 + n * 100;
        s.slots[n].selected = n % 3 != 0;
        s.slots[n].fieldType = n == 5 ? 81 : (n == 6 ? -7 : 1);
        s.slots[n].columnWidth = 160 - n;
    }
    s.slots[2].popupWords = {"plain", "two words", "", "a,b", "tab\there", "line\r\nbreak"};
    for (int i = 0; i < 100; ++i) s.slots[4].popupWords.push_back("w" + std::to_string(i));
    for (int i = 0; i < 99; ++i) s.slots[31].popupWords.push_back("x" + std::to_string(i));
    s.slots[30].popupWords = {"\xE9t\xE9", " spaced "};
    s.dataWidth = -3;
    s.firstColumn = 0;
    s.lockFlags = 8;
    s.endNoteFolder = "C:\\EndNote Files";
    s.palmInstallFolder = "/home/u/palm install";
    s.palmBackupFolder = "D:\\Backup";
    s.hotSyncId = "1234";
    return s;
}

TEST_F(StrategyFileTest, WrittenFileHasEveryLineInItsPlace) {
    settings.strategy = variedStrategy();
    const std::string target = path("Strat.jfp");
    ASSERT_TRUE(writeStrategyFile(ctx, settings.strategy, output, target));
    std::string expected =
        "\r\n\r\nC:\\EndNote Files\r\n/home/u/palm install\r\nD:\\Backup\r\n1234\r\n";
    for (int line = 7; line <= 10; ++line) {
        for (int n = 1; n <= kFieldCount; ++n) {
            const FieldSlot& slot = settings.strategy.slots[n];
            const int value = line == 7   ? slot.maxLength
                              : line == 8 ? (slot.selected ? 1 : 0)
                              : line == 9 ? slot.fieldType
                                          : slot.columnWidth;
            expected += std::to_string(value) + ",";
        }
        expected += "\r\n";
    }
    for (int n = 1; n <= kFieldCount; ++n) {
        expected += "fld" + std::to_string(n);
        if (n == 2) expected += ",plain,two words,,ab,tabhere,linebreak";
        if (n == 4)
            for (int i = 0; i < 100; ++i) expected += ",w" + std::to_string(i);
        if (n == 30) expected += ",\xE9t\xE9, spaced ";
        if (n == 31)
            for (int i = 0; i < 99; ++i) expected += ",x" + std::to_string(i);
        expected += "\r\n";
    }
    expected += "-3\r\n0\r\n8\r\n";
    EXPECT_EQ(readFile(target), expected);
    // The words in memory keep their separators.
    EXPECT_EQ(settings.strategy.slots[2].popupWords[3], "a,b");
}

TEST_F(StrategyFileTest, WriteThenReadGivesTheSameStrategyBarTheThreeExceptions) {
    const Strategy original = variedStrategy();
    settings.strategy = original;
    const std::string target = path("Strat.jfp");
    ASSERT_TRUE(writeStrategyFile(ctx, settings.strategy, output, target));

    settings.strategy = Strategy{};
    ASSERT_EQ(readStrategyFile(ctx, settings.strategy, target), StrategyRead::Read);
    const Strategy& s = settings.strategy;
    for (int n = 1; n <= kFieldCount; ++n) {
        EXPECT_EQ(s.slots[n].maxLength, original.slots[n].maxLength) << n;
        EXPECT_EQ(s.slots[n].selected, original.slots[n].selected) << n;
        EXPECT_EQ(s.slots[n].fieldType, original.slots[n].fieldType) << n;
        EXPECT_EQ(s.slots[n].columnWidth, original.slots[n].columnWidth) << n;
    }
    // Separators are stripped and the empty word is gone.
    EXPECT_EQ(s.slots[2].popupWords,
              (std::vector<std::string>{"plain", "two words", "ab", "tabhere", "linebreak"}));
    // Only 98 words of a list come back.
    ASSERT_EQ(s.slots[4].popupWords.size(), 98u);
    EXPECT_EQ(s.slots[4].popupWords.back(), "w97");
    EXPECT_EQ(s.slots[31].popupWords.size(), 98u);
    EXPECT_EQ(s.slots[30].popupWords, original.slots[30].popupWords);
    EXPECT_TRUE(s.slots[1].popupWords.empty());
    EXPECT_EQ(s.dataWidth, -3);
    EXPECT_EQ(s.firstColumn, 0);
    EXPECT_EQ(s.lockFlags, 8);
    EXPECT_EQ(s.endNoteFolder, original.endNoteFolder);
    EXPECT_EQ(s.palmInstallFolder, original.palmInstallFolder);
    EXPECT_EQ(s.palmBackupFolder, original.palmBackupFolder);
    EXPECT_EQ(s.hotSyncId, original.hotSyncId);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(StrategyFileTest, FolderSettingsTakeTheLastTokenAndEmptyLinesChangeNothing) {
    settings.strategy.endNoteFolder = "keep me";
    settings.strategy.palmInstallFolder = "old";
    settings.strategy.palmBackupFolder = "old";
    settings.strategy.hotSyncId = "old";
    ASSERT_EQ(readStrategyText(ctx, settings.strategy, "\r\n\r\n\r\nC:\\a,b\\c, d\r\n,,,\r\nx\n"),
              StrategyRead::Read);
    EXPECT_EQ(settings.strategy.endNoteFolder, "keep me");
    EXPECT_EQ(settings.strategy.palmInstallFolder, " d");  // tokens keep their spaces
    EXPECT_EQ(settings.strategy.palmBackupFolder, "old");
    EXPECT_EQ(settings.strategy.hotSyncId, "x");
}

TEST_F(StrategyFileTest, FieldLinesSetOnlyTheFieldsTheyHaveTokensFor) {
    for (int n = 1; n <= kFieldCount; ++n) settings.strategy.slots[n].fieldType = 7;
    std::string text = "\n\n\n\n\n\n";
    text += "12,,,34\n";  // runs of commas count as one separator
    text += "2,0,1\n";
    text += "64,1\n";
    for (int n = 1; n <= kFieldCount; ++n) text += std::to_string(n) + ",";
    text += "99,not a number,\n";  // tokens after the 31st are not looked at
    ASSERT_EQ(readStrategyText(ctx, settings.strategy, text), StrategyRead::Read);
    const Strategy& s = settings.strategy;
    EXPECT_EQ(s.slots[1].maxLength, 12);
    EXPECT_EQ(s.slots[2].maxLength, 34);
    EXPECT_EQ(s.slots[3].maxLength, 0);
    EXPECT_TRUE(s.slots[1].selected);
    EXPECT_FALSE(s.slots[2].selected);
    EXPECT_TRUE(s.slots[3].selected);
    EXPECT_EQ(s.slots[1].fieldType, 64);
    EXPECT_EQ(s.slots[2].fieldType, 1);
    EXPECT_EQ(s.slots[3].fieldType, 7);
    EXPECT_EQ(s.slots[31].fieldType, 7);
    EXPECT_EQ(s.slots[31].columnWidth, 31);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(StrategyFileTest, PopupLinesAreTakenByLineNumberAndAppended) {
    settings.strategy.slots[1].popupWords = {"already"};
    std::string text = headLines();
    text += "fld7,Paris,,Tokyo\r\n";  // line 11: field 1, whatever the label says
    text += "fld2\r\n";
    std::string many = "fld3";
    for (int i = 0; i < 120; ++i) many += "," + std::to_string(i);
    text += many + "\r\n";
    ASSERT_EQ(readStrategyText(ctx, settings.strategy, text), StrategyRead::Read);
    EXPECT_EQ(settings.strategy.slots[1].popupWords,
              (std::vector<std::string>{"already", "Paris", "Tokyo"}));
    EXPECT_TRUE(settings.strategy.slots[2].popupWords.empty());
    ASSERT_EQ(settings.strategy.slots[3].popupWords.size(), 98u);
    EXPECT_EQ(settings.strategy.slots[3].popupWords.back(), "97");
    EXPECT_TRUE(settings.strategy.slots[7].popupWords.empty());

    // A second read appends again, but a list never grows past its fixed size.
    ASSERT_EQ(readStrategyText(ctx, settings.strategy, text), StrategyRead::Read);
    EXPECT_EQ(settings.strategy.slots[3].popupWords.size(), kMaxPopupWords);
    EXPECT_EQ(settings.strategy.slots[3].popupWords[98], "0");
}

TEST_F(StrategyFileTest, NumbersLinesKeepTheirLastTokenAndLaterLinesAreIgnored) {
    std::string text = headLines();
    for (int n = 1; n <= kFieldCount; ++n) text += "fld" + std::to_string(n) + "\r\n";
    text += "1,2,3\r\n\r\n9\r\n45,not,read\r\n";
    settings.strategy.firstColumn = 77;
    ASSERT_EQ(readStrategyText(ctx, settings.strategy, text), StrategyRead::Read);
    EXPECT_EQ(settings.strategy.dataWidth, 3);
    EXPECT_EQ(settings.strategy.firstColumn, 77);
    EXPECT_EQ(settings.strategy.lockFlags, 9);
}

TEST_F(StrategyFileTest, TokenThatIsNoNumberStopsTheReading) {
    std::string text = "\r\n\r\nnew folder\r\n\r\n\r\n\r\n";
    text += "100,12x,300\r\n";
    text += "0,0,0\r\n";
    settings.strategy.slots[1].selected = true;
    EXPECT_EQ(readStrategyText(ctx, settings.strategy, text), StrategyRead::NotANumber);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0],
              (PlainHost::Message{MessageKind::Error, "'12x' is not a valid integer value"}));
    EXPECT_EQ(settings.strategy.endNoteFolder, "new folder");
    EXPECT_EQ(settings.strategy.slots[1].maxLength, 100);  // earlier tokens stay
    EXPECT_EQ(settings.strategy.slots[3].maxLength, 0);
    EXPECT_TRUE(settings.strategy.slots[1].selected);  // the line after is never read

    host.messages.clear();
    std::string numbers = headLines();
    for (int n = 1; n <= kFieldCount; ++n) numbers += "fld\r\n";
    numbers += "110\r\n 1\r\n";
    EXPECT_EQ(readStrategyText(ctx, settings.strategy, numbers), StrategyRead::NotANumber);
    EXPECT_EQ(host.messages.at(0).text, "' 1' is not a valid integer value");
    EXPECT_EQ(settings.strategy.dataWidth, 110);
}

TEST_F(StrategyFileTest, LongLineIsSplitAfter31999Characters) {
    // 32000 characters before the line end: the first 31999 make line 3, the rest line 4.
    std::string text = "\r\n\r\n" + std::string(31998, 'A') + ",X\r\nfour\r\nfive\r\n";
    ASSERT_EQ(readStrategyText(ctx, settings.strategy, text), StrategyRead::Read);
    EXPECT_EQ(settings.strategy.endNoteFolder, std::string(31998, 'A'));
    EXPECT_EQ(settings.strategy.palmInstallFolder, "X");
    EXPECT_EQ(settings.strategy.palmBackupFolder, "four");
    EXPECT_EQ(settings.strategy.hotSyncId, "five");

    // Exactly 31999 characters: the line end alone is read as the next (empty) line. CR LF
    // counts as one character, as text mode reads it.
    settings.strategy = Strategy{};
    text = "\r\n\r\n" + std::string(31999, 'B') + "\r\nfour\r\nfive\r\n";
    ASSERT_EQ(readStrategyText(ctx, settings.strategy, text), StrategyRead::Read);
    EXPECT_EQ(settings.strategy.endNoteFolder, std::string(31999, 'B'));
    EXPECT_EQ(settings.strategy.palmInstallFolder, "");
    EXPECT_EQ(settings.strategy.palmBackupFolder, "four");
    EXPECT_EQ(settings.strategy.hotSyncId, "five");

    settings.strategy = Strategy{};
    text = "\r\n\r\n" + std::string(31998, 'C') + "\r\nfour\r\n";
    ASSERT_EQ(readStrategyText(ctx, settings.strategy, text), StrategyRead::Read);
    EXPECT_EQ(settings.strategy.endNoteFolder, std::string(31998, 'C'));
    EXPECT_EQ(settings.strategy.palmInstallFolder, "four");
}

TEST_F(StrategyFileTest, BareLineFeedsAndLoneCarriageReturns) {
    ASSERT_EQ(readStrategyText(ctx, settings.strategy, "\n\nfolder\r\nid\rx\n"),
              StrategyRead::Read);
    EXPECT_EQ(settings.strategy.endNoteFolder, "folder");
    EXPECT_EQ(settings.strategy.palmInstallFolder, "id\rx");
}

TEST_F(StrategyFileTest, MissingFileAndUnreadableFile) {
    EXPECT_EQ(readStrategyFile(ctx, settings.strategy, path("no such file.jfp")),
              StrategyRead::CouldNotOpen);
    EXPECT_TRUE(host.messages.empty());

    // A folder opens on POSIX but cannot be read: a read error. Windows does not open it.
    std::filesystem::create_directory(path("a folder"));
    if (!kFolderOpensAsFile) {
        EXPECT_EQ(readStrategyFile(ctx, settings.strategy, path("a folder")),
                  StrategyRead::CouldNotOpen);
        EXPECT_TRUE(host.messages.empty());
        return;
    }
    EXPECT_EQ(readStrategyFile(ctx, settings.strategy, path("a folder")), StrategyRead::ReadError);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0],
              (PlainHost::Message{MessageKind::Error, "Couldnt Read Strategy File"}));
}

TEST_F(StrategyFileTest, WriteFailuresLeaveTheOldFileAlone) {
    settings.strategy = variedStrategy();
    // A factory file that cannot be created is not reported; a strategy file is, with its path
    // and the reason.
    EXPECT_FALSE(writeFactoryDefaults(ctx, output, path("missing folder/strat.jfp")));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(
        writeStrategyFile(ctx, settings.strategy, output, path("missing folder/Strat.jfp")));
    EXPECT_EQ(
        host.messages,
        (std::vector<PlainHost::Message>{{MessageKind::Error, "Could not write the strategy file " +
                                                                  path("missing folder/Strat.jfp") +
                                                                  ": No such file or directory"}}));
    EXPECT_FALSE(output.isOpen());
    host.messages.clear();

    // A target that cannot be replaced: the error is shown and the temporary file removed.
    const std::string target = path("Strat.jfp");
    std::filesystem::create_directories(joinPath(target, "inside"));
    EXPECT_FALSE(writeStrategyFile(ctx, settings.strategy, output, target));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Error);
    EXPECT_NE(host.messages[0].text.find(target), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(joinPath(target, "inside")));
    EXPECT_FALSE(std::filesystem::exists(replacementPath(target)));
    EXPECT_FALSE(output.isOpen());
}

TEST_F(StrategyFileTest, RewritingReplacesTheWholeFile) {
    const std::string target = path("Strat.jfp");
    settings.strategy = variedStrategy();
    ASSERT_TRUE(writeStrategyFile(ctx, settings.strategy, output, target));
    settings.strategy = Strategy{};
    ASSERT_TRUE(writeStrategyFile(ctx, settings.strategy, output, target));
    std::string expected = "\r\n\r\n\r\n\r\n\r\n\r\n";
    for (int line = 7; line <= 10; ++line) {
        for (int n = 0; n < kFieldCount; ++n) expected += "0,";
        expected += "\r\n";
    }
    for (int n = 1; n <= kFieldCount; ++n) expected += "fld" + std::to_string(n) + "\r\n";
    expected += "0\r\n0\r\n0\r\n";
    EXPECT_EQ(readFile(target), expected);
}

}  // namespace
}  // namespace rq::test
