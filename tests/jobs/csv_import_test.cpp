// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <map>

#include "engine/catalogue.h"
#include "engine/csv_import.h"
#include "jobs/harness.h"
#include "support/platform_traits.h"

namespace rq::test {
namespace {

using Msg = PlainHost::Message;

class CsvImport : public ::testing::Test {
  protected:
    Harness h;

    ImportResult last;  // of the last convert or convertText
    int convert(const std::string& csvName) {
        last = csvToImport(h.ctx.host, h.output, h.copyData(csvName), h.folder / "out.tsv");
        return last.records;
    }
    int convertText(const std::string& csv) {
        const std::string path = h.folder / "made.csv";
        writeFile(path, csv);
        last = csvToImport(h.ctx.host, h.output, path, h.folder / "out.tsv");
        return last.records;
    }
    std::string output() const { return readFile(h.folder / "out.tsv"); }
};

// The two header lines, built from the catalogue.
std::string headerLines() {
    std::string out = "*GENERIC\r\n";
    for (int n = 1; n <= kFieldCount; ++n) {
        out += endNoteName(n);
        out += n < kFieldCount ? "\t" : "\r\n";
    }
    return out;
}

// A record line: the given fields' values, single spaces in the others.
std::string recordLine(const std::map<int, std::string>& values) {
    std::string out;
    for (int n = 1; n <= kFieldCount; ++n) {
        const auto it = values.find(n);
        out += it == values.end() ? " " : it->second;
        out += n < kFieldCount ? "\t" : "\r\n";
    }
    return out;
}

std::string lineWith(int field, const std::string& value) {
    return recordLine({{field, value}});
}

TEST_F(CsvImport, ColumnsLandOnTheirFieldsWhateverTheirOrder) {
    EXPECT_EQ(convert("one-record.csv"), 1);
    EXPECT_EQ(output(), readFile(dataFile("one-record.tsv")));
    EXPECT_TRUE(h.host.messages.empty());
    EXPECT_FALSE(h.output.isOpen());
    EXPECT_EQ(h.host.progress.recordNumber, 1);
}

TEST_F(CsvImport, HeaderNamesMatchInAnyCaseUnknownAndEmptyNamesAreDroppedLaterDuplicateWins) {
    EXPECT_EQ(convert("header-names.csv"), 2);
    EXPECT_EQ(output(), readFile(dataFile("header-names.tsv")));
}

TEST_F(CsvImport, LooseLinesSplitSanelyAndBlankLinesAreNoRecords) {
    // Unquoted values with inner blanks, quotes doubled, tabs, a value straight after a closing
    // quote, short lines, blank lines, bytes above 0x7F, an unclosed quote, no final LF.
    EXPECT_EQ(convert("loose-lines.csv"), 6);
    EXPECT_EQ(output(), readFile(dataFile("loose-lines.tsv")));
    EXPECT_TRUE(h.host.messages.empty());
}

TEST_F(CsvImport, EmptyFileAndHeaderOnlyGiveTheTwoHeaderLines) {
    EXPECT_EQ(convert("empty.csv"), 0);
    EXPECT_EQ(output(), readFile(dataFile("two-header-lines.tsv")));
    EXPECT_EQ(convert("header-only.csv"), 0);
    EXPECT_EQ(output(), readFile(dataFile("two-header-lines.tsv")));
    EXPECT_TRUE(h.host.messages.empty());
    EXPECT_EQ(output(), headerLines());
}

TEST_F(CsvImport, ShortLineNeverInheritsThePreviousRecordsValues) {
    EXPECT_EQ(convertText("\"Author\",\"Title\"\r\n\"A1\",\"T1\"\r\n\"A2\"\r\n"), 2);
    EXPECT_EQ(output(), headerLines() + recordLine({{2, "A1"}, {4, "T1"}}) +
                            recordLine({{2, "A2"}, {4, ""}}));
}

TEST_F(CsvImport, StopsAfterTenThousandRecordsAndTellsTheUser) {
    for (int total : {10000, 10001}) {
        std::string csv = "\"Title\"\r\n";
        std::string expected = headerLines();
        for (int i = 1; i <= total; ++i) {
            csv += "\"t" + std::to_string(i) + "\"\r\n";
            if (i <= 10000) expected += lineWith(4, "t" + std::to_string(i));
        }
        h.host.messages.clear();
        EXPECT_EQ(convertText(csv), 10000) << total;
        EXPECT_FALSE(last.failed);  // a whole import file, only the rest is left out
        EXPECT_EQ(output(), expected) << total;
        EXPECT_EQ(h.host.messages,
                  (std::vector<Msg>{{MessageKind::Information,
                                     "Transfer Stopped too many records to transfer to Endnote"}}));
    }
}

TEST_F(CsvImport, RecordLineLimitIsThirtyOneThousandNineHundredNinetyEightBytes) {
    const std::string header = "\"Notes\"\r\n";
    // 31,998 bytes with the CR LF: converted.
    const std::string longValue(31998 - 4, 'x');
    EXPECT_EQ(convertText(header + "\"" + longValue + "\"\r\n"), 1);
    EXPECT_EQ(output(), headerLines() + lineWith(15, longValue));

    // The same length as the last line without its LF: complete too.
    const std::string lastValue(31998 - 2, 'y');
    EXPECT_EQ(convertText(header + "\"a\"\r\n\"" + lastValue + "\""), 2);
    EXPECT_EQ(output(), headerLines() + lineWith(15, "a") + lineWith(15, lastValue));
    EXPECT_TRUE(h.host.messages.empty());

    // One byte more: stopped, the records before it stay and are counted.
    EXPECT_EQ(convertText(header + "\"a\"\r\n\"" + longValue + "z\"\r\n\"b\"\r\n"), 1);
    EXPECT_TRUE(last.failed);
    EXPECT_EQ(output(), headerLines() + lineWith(15, "a"));
    EXPECT_EQ(
        h.host.messages,
        (std::vector<Msg>{{MessageKind::Error,
                           "Records of more than 32K Not supported\n" + h.folder / "made.csv" +
                               ": record 2 is too long; the records before it were written"}}));
}

TEST_F(CsvImport, OverlongHeaderDoesNotTurnIntoARecord) {
    std::string header = "\"Title\"," + std::string(32100, ' ') + "\"Author\"\r\n";
    EXPECT_EQ(convertText(header + "\"t\",\"a\"\r\n"), 1);
    EXPECT_EQ(output(), headerLines() + lineWith(4, "t"));
}

TEST_F(CsvImport, ColumnsBeyondTheMapAreIgnoredWithoutOverflow) {
    std::string header, record;
    for (int i = 1; i <= 60; ++i) {
        const std::string name = i == kMaxColumns ? "Author"
                                 : i == 45        ? "Title"
                                                  : "c" + std::to_string(i);
        header += "\"" + name + "\",";
        record += "\"v" + std::to_string(i) + "\",";
    }
    EXPECT_EQ(convertText(header + "\r\n" + record + "\r\n"), 1);
    EXPECT_EQ(output(), headerLines() + lineWith(2, "v" + std::to_string(kMaxColumns)));
}

TEST_F(CsvImport, FailuresTellTheUserAndLeaveTheSlotEmpty) {
    // Missing CSV: the import file is not touched.
    const std::string out = h.folder / "out.tsv";
    writeFile(out, "old");
    const ImportResult failed{0, true};
    EXPECT_EQ(csvToImport(h.ctx.host, h.output, h.folder / "missing.csv", out), failed);
    EXPECT_EQ(output(), "old");

    // Import file in a folder that does not exist.
    const std::string csv = h.copyData("one-record.csv");
    EXPECT_EQ(csvToImport(h.ctx.host, h.output, csv, h.folder / "no such folder/out.tsv"), failed);

    // A folder is no CSV: refused before anything is written.
    EXPECT_EQ(csvToImport(h.ctx.host, h.output, h.folder.path(), out), failed);
    EXPECT_EQ(output(), "old");

    EXPECT_EQ(h.host.messages,
              (std::vector<Msg>{
                  {MessageKind::Error, "Couldnt load csv File\n" + h.folder / "missing.csv" +
                                           ": No such file or directory"},
                  {MessageKind::Error, "Couldnt open output output File\n" +
                                           h.folder / "no such folder/out.tsv" +
                                           ": No such file or directory"},
                  {MessageKind::Error,
                   "Couldnt load csv File\n" + h.folder.path() + ": Is a directory"}}));
    EXPECT_FALSE(h.output.isOpen());
}

TEST_F(CsvImport, WriteErrorIsReportedInsteadOfCountedAsSuccess) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::string csv = h.copyData("one-record.csv");
    EXPECT_EQ(csvToImport(h.ctx.host, h.output, csv, "/dev/full"), (ImportResult{0, true}));
    ASSERT_EQ(h.host.messages.size(), 1u);
    EXPECT_EQ(h.host.messages[0].kind, MessageKind::Error);
    EXPECT_FALSE(h.output.isOpen());
}

TEST(SplitCsvLine, FollowsTheSplittingRules) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitCsvLine("\"a\",\"b\"\r\n"), (V{"a", "b"}));
    EXPECT_EQ(splitCsvLine(",a,,b,\r\n"), (V{"", "a", "", "b"}));
    EXPECT_EQ(splitCsvLine("  two  words  ,x"), (V{"two  words", "x"}));
    EXPECT_EQ(splitCsvLine("\"\"\"\" \"q\""), (V{"\"", "q"}));
    EXPECT_EQ(splitCsvLine("\"\"\"\"\"q\""), (V{"\"\"q"}));
    EXPECT_EQ(splitCsvLine("\"\""), (V{""}));
    EXPECT_EQ(splitCsvLine("\"open\r\n"), (V{"open\r"}));
    EXPECT_EQ(splitCsvLine("\""), (V{""}));
    EXPECT_EQ(splitCsvLine(" \t\r\n"), V{});
    EXPECT_EQ(splitCsvLine(std::string_view("a,b\0,c", 6)), (V{"a", "b"}));
}

TEST(ColumnMapTable, RowsHoldNamesAndFieldNumbers) {
    ColumnMap columns;
    CatalogueValues catalogue;
    EXPECT_EQ(buildColumnMap(columns, catalogue, {"title 2", "x", "", "EDITOR"}), 4);
    const auto& map = columns.cells;
    EXPECT_EQ(map[1][2], "5");
    EXPECT_EQ(map[2][2], "0");
    EXPECT_EQ(map[3][2], "0");
    EXPECT_EQ(map[4][1], "EDITOR");
    EXPECT_EQ(map[4][2], "6");
    EXPECT_EQ(catalogue.cells[6][2], "Secondary Author");
    EXPECT_EQ(catalogue.cells[6][3], " ");
}

}  // namespace
}  // namespace rq::test
