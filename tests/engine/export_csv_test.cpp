// SPDX-License-Identifier: MIT
#include "engine/export_csv.h"
#include "support/platform_traits.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>

#include "formats_fixture.h"

namespace rq::test {
namespace {

class ExportCsvTest : public FormatsTest {
  protected:
    // Selects exactly `fields`, each with the given maximum length.
    void selectOnly(std::initializer_list<int> fields, std::int32_t maxLength = 3990) {
        for (FieldSlot& slot : settings.strategy.slots) slot.selected = false;
        for (int n : fields) {
            settings.strategy.slots[n].selected = true;
            settings.strategy.slots[n].maxLength = maxLength;
        }
    }

    // The number of records; the whole result stays in `last`.
    int convert(std::string_view exportBytes) {
        writeFile(path("export.txt"), exportBytes);
        last =
            exportToCsv(settings.strategy, ctx.host, output, path("export.txt"), path("out.csv"));
        return last.records;
    }
    std::string csv() const { return readFile(path("out.csv")); }

    ExportResult last;
    static constexpr std::string_view kHeader123 = "\"Reference Type\",\"Author\",\"Year\"\r\n";
};

TEST_F(ExportCsvTest, TwoRecordsGiveHeaderAndTwoLines) {
    selectOnly({1, 2, 3});
    EXPECT_EQ(convert("Book\tSmith, J.\t1999\xB0\r\nJournal Article\tJones\t2001\xB0\r\n"), 2);
    EXPECT_EQ(csv(), std::string(kHeader123) +
                         "\"Book\",\"Smith, J.\",\"1999\"\r\n"
                         "\"Journal Article\",\"Jones\",\"2001\"\r\n");
    EXPECT_EQ(host.progress.recordNumber, 2);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(last.truncatedRecords, 0);
    EXPECT_FALSE(output.isOpen());
}

TEST_F(ExportCsvTest, FactoryDefaultsMatchTheGoldenFile) {
    loadFactoryDefaults();
    const std::string source = path("mixed.txt");
    std::filesystem::copy_file(goldenPath("export-mixed.txt"), source);
    EXPECT_EQ(exportToCsv(settings.strategy, ctx.host, output, source, path("mixed.csv")),
              (ExportResult{4, 1, {}}));
    EXPECT_EQ(readFile(path("mixed.csv")), readFile(goldenPath("export-mixed.csv")));
    EXPECT_EQ(host.log, (std::vector<std::string>{"Truncated field(s) in Record 3"}));
}

TEST_F(ExportCsvTest, EmptyFieldsBecomeOneSpaceAndKeepLaterFieldsInPlace) {
    selectOnly({1, 2, 3, 4, 5});
    EXPECT_EQ(convert("\tA\t\tB\t\xB0\r\n"), 1);
    EXPECT_EQ(csv().substr(csv().find("\r\n") + 2), "\" \",\"A\",\" \",\"B\",\" \"\r\n");
}

TEST_F(ExportCsvTest, QuotesAreDoubledAndCountTwice) {
    selectOnly({1}, 4);
    EXPECT_EQ(convert("a\"b\xB0\r\n"), 1);  // escaped a""b: exactly 4
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"a\"\"b\"\r\n");
    EXPECT_EQ(last.truncatedRecords, 0);

    settings.strategy.slots[1].maxLength = 3;  // a"" : the cut keeps the whole pair
    EXPECT_EQ(convert("a\"b\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"a\"\"\"\r\n");
    EXPECT_EQ(last.truncatedRecords, 1);
}

TEST_F(ExportCsvTest, CutBetweenDoubledQuotesCutsOneByteLess) {
    selectOnly({1, 2}, 2);
    // a" would leave a lone quote: a alone is written, and the record still counts as cut.
    EXPECT_EQ(convert("a\"b\t\"\"\"x\xB0\r\n"), 1);
    // Field 2, escaped """""" + x, cut at 2 keeps one whole pair.
    EXPECT_EQ(csv(), "\"Reference Type\",\"Author\"\r\n\"a\",\"\"\"\"\r\n");
    EXPECT_EQ(last.truncatedRecords, 1);

    settings.strategy.slots[2].maxLength = 5;  // the fifth byte is the first of the third pair
    EXPECT_EQ(convert("a\t\"\"\"x\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Reference Type\",\"Author\"\r\n\"a\",\"\"\"\"\"\"\r\n");
}

TEST_F(ExportCsvTest, ExactlyMaxLengthIsKeptAndOneMoreIsCut) {
    selectOnly({1, 2}, 5);
    EXPECT_EQ(convert("12345\tabcde\xB0\r\n123456\tabcdefgh\xB0\r\nxy\tz\xB0\r\n"), 3);
    EXPECT_EQ(csv(),
              "\"Reference Type\",\"Author\"\r\n\"12345\",\"abcde\"\r\n"
              "\"12345\",\"abcde\"\r\n\"xy\",\"z\"\r\n");
    EXPECT_EQ(last.truncatedRecords, 1);  // one record, two cut values
    EXPECT_EQ(host.log, (std::vector<std::string>{"Truncated field(s) in Record 2"}));
}

TEST_F(ExportCsvTest, UnselectedFieldsKeepTheirPlaceAndCommasFollowTheCount) {
    selectOnly({1, 2, 31});
    std::string record;
    for (int n = 1; n <= 30; ++n) record += "v" + std::to_string(n) + (n < 30 ? "\t" : "");
    EXPECT_EQ(convert(record + "\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Reference Type\",\"Author\",\"Custom 4\"\r\n\"v1\",\"v2\",\r\n");

    selectOnly({2, 4});
    EXPECT_EQ(convert("1\t2\t3\t4\t5\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Author\",\"Title\"\r\n\"2\",\"4\"\r\n");

    // Fields after the 31st are ignored.
    selectOnly({31});
    EXPECT_EQ(convert(record + "\tv31\tv32\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Custom 4\"\r\n\"v31\"\r\n");
}

TEST_F(ExportCsvTest, LineBreaksInsideAValueBecomeOneMarkAndLoneCrVanishes) {
    selectOnly({1, 2});
    EXPECT_EQ(convert("Book\tfirst line\r\nsecond\rline\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Reference Type\",\"Author\"\r\n\"Book\",\"first line\x85secondline\"\r\n");
}

TEST_F(ExportCsvTest, LineEndsAfterAMarkSeparateRecordsButLeadingOnesAreData) {
    selectOnly({1});
    EXPECT_EQ(convert("\r\nA\xB0\r\n\r\n\r\nB\xB0\r\n"), 2);
    EXPECT_EQ(csv(),
              "\"Reference Type\"\r\n\"\x85"
              "A\"\r\n\"B\"\r\n");
}

TEST_F(ExportCsvTest, TwoMarksInARowGiveAnEmptyLine) {
    selectOnly({1, 2});
    EXPECT_EQ(convert("A\xB0\r\n\xB0\r\nB\xB0\r\n"), 3);
    EXPECT_EQ(csv(), "\"Reference Type\",\"Author\"\r\n\"A\",\r\n\r\n\"B\",\r\n");
}

TEST_F(ExportCsvTest, DegreeSignInsideAValueIsData) {
    selectOnly({1, 2});
    EXPECT_EQ(convert("Journal Article\theated to 100\xB0"
                      "C, then 20\xB0\tcooled\xB0\r\nNext\tx\xB0\r\n"),
              2);
    EXPECT_EQ(csv(),
              "\"Reference Type\",\"Author\"\r\n"
              "\"Journal Article\",\"heated to 100\xB0"
              "C, then 20\xB0\"\r\n\"Next\",\"x\"\r\n");
    EXPECT_EQ(host.progress.recordNumber, 2);
}

TEST_F(ExportCsvTest, MarkBeforeCarriageReturnsOrTheEndOfInputStillEndsTheRecord) {
    selectOnly({1});
    EXPECT_EQ(convert("A\xB0\r\r\nB\xB0\rC\xB0"), 3);
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"A\"\r\n\"B\"\r\n\"C\"\r\n");
    EXPECT_EQ(convert("A\xB0\r\xB0x\xB0"), 2);  // only the 0xB0 before x is data
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"A\"\r\n\"\xB0x\"\r\n");
    EXPECT_EQ(convert("A\xB0\x1AZ\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"A\"\r\n");
}

// Classic Mac exports end their lines with CR alone: their records must not merge.
TEST_F(ExportCsvTest, CrAloneLfAloneAndCrLfGiveTheSameRecords) {
    selectOnly({1, 2, 3});
    const std::string records = "Book\tSmith\t1999#A\t20#\tJones\t2001#\t\t#";
    std::string expected;
    for (std::string_view lineEnd : {"\r\n", "\n", "\r", "\r\r\n"}) {
        std::string input;
        for (char c : records)
            input += c == '#' ? "\xB0" + std::string(lineEnd) : std::string(1, c);
        SCOPED_TRACE(::testing::PrintToString(lineEnd));
        EXPECT_EQ(convert(input), 4);
        if (expected.empty()) expected = csv();
        EXPECT_EQ(csv(), expected);
    }
    EXPECT_EQ(expected, std::string(kHeader123) +
                            "\"Book\",\"Smith\",\"1999\"\r\n\"A\",\"20\",\r\n"
                            "\" \",\"Jones\",\"2001\"\r\n\" \",\" \",\" \"\r\n");
}

TEST_F(ExportCsvTest, RecordStartingWithTabOrQuoteKeepsItsLineEndAndFieldPlaces) {
    selectOnly({1, 2, 3});
    EXPECT_EQ(convert("A\xB0\r\n\t\r\n\tB\xB0\r\n\"\r\nq\"\xB0\r\n"), 3);
    EXPECT_EQ(csv(),
              std::string(kHeader123) + "\"A\",\r\n\" \",\"\x85\",\"B\"\r\n\"\"\"\x85q\"\"\",\r\n");
}

TEST_F(ExportCsvTest, TabBeforeTheMarkGivesALastValueOfOneSpace) {
    selectOnly({1, 2, 3});
    EXPECT_EQ(convert("A\t\xB0\r\n\t\xB0\r\n"), 2);
    EXPECT_EQ(csv(), std::string(kHeader123) + "\"A\",\" \",\r\n\" \",\" \",\r\n");
}

TEST_F(ExportCsvTest, HeaderLineOfTheExportIsJustTheStartOfTheFirstRecord) {
    selectOnly({1, 2, 3});
    EXPECT_EQ(convert("Reference Type\tAuthor\r\nBook\tSmith\xB0\r\n"), 1);
    EXPECT_EQ(csv(), std::string(kHeader123) +
                         "\"Reference Type\",\"Author\x85"
                         "Book\",\"Smith\"\r\n");
}

TEST_F(ExportCsvTest, TextAfterTheLastMarkAndAfterCtrlZIsNotARecord) {
    selectOnly({1});
    EXPECT_EQ(convert("A\xFF\xB0\r\nunfinished"), 1);
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"A\xFF\"\r\n");
    EXPECT_EQ(convert("A\xB0\r\nB\x1A"
                      "C\xB0\r\n"),
              1);
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"A\"\r\n");
    // The 0x1A cut the file short: where, and how much was left, is told and logged.
    const std::string cut = path("export.txt") +
                            ": an end-of-file byte (0x1A) at byte 5 ended the reading; the 5 "
                            "bytes from there on were not read";
    EXPECT_EQ(host.messages, (std::vector<PlainHost::Message>{{MessageKind::Information, cut}}));
    EXPECT_EQ(host.log, (std::vector<std::string>{cut}));
    host.messages.clear();
    EXPECT_EQ(convert("no record mark at all\r\n"), 0);
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n");
    EXPECT_TRUE(host.messages.empty());
}

// A classic Mac export ends its lines with CR alone: a line break inside a value must survive
// as it does with CR LF or LF. An export with any LF keeps dropping lone CRs.
TEST_F(ExportCsvTest, LineBreaksInsideValuesSurviveEveryLineEnd) {
    selectOnly({1, 2});
    const std::string expected =
        "\"Reference Type\",\"Author\"\r\n"
        "\"Book\",\"Haryanto, Budi\x85Widjaja, Lestari\"\r\n"
        "\"Article\",\"Lee\"\r\n";
    for (const std::string eol : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(eol == "\r" ? "CR" : eol == "\n" ? "LF" : "CR LF");
        EXPECT_EQ(convert("Book\tHaryanto, Budi" + eol + "Widjaja, Lestari\xB0" + eol +
                          "Article\tLee\xB0" + eol),
                  2);
        EXPECT_EQ(csv(), expected);
    }
    EXPECT_EQ(convert("Book\tA\rB\xB0\r\nArticle\tLee\xB0\n"), 2);
    EXPECT_EQ(csv(), "\"Reference Type\",\"Author\"\r\n\"Book\",\"AB\"\r\n\"Article\",\"Lee\"\r\n");
    // Only the bytes before a 0x1A count: an LF after it does not make the CRs data.
    EXPECT_EQ(convert("Book\tA\rB\xB0\r\x1A\n"), 1);
    EXPECT_EQ(csv(),
              "\"Reference Type\",\"Author\"\r\n\"Book\",\"A\x85"
              "B\"\r\n");
}

TEST_F(ExportCsvTest, ControlBytesAndHighBytesAreOrdinary) {
    selectOnly({1});
    const std::string value("\x01\x1F \x80\x85\xFF\x7F!#\x00z", 11);
    EXPECT_EQ(convert(value + "\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"" + value + "\"\r\n");
}

TEST_F(ExportCsvTest, RecordThatReachesTheLimitStopsTheConversionWithAMessage) {
    selectOnly({1});
    const std::string tooLong(kExportRecordLimit, 'x');
    EXPECT_EQ(convert("A\xB0\r\n" + tooLong + "\xB0\r\nB\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"A\"\r\n");
    const std::string text =
        path("export.txt") + ": record 2 is too long; the rest of the file was not converted";
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], (PlainHost::Message{MessageKind::Error, text}));
    EXPECT_EQ(host.log, (std::vector<std::string>{text}));

    // One byte less fits, and is then cut like any long value.
    host.messages.clear();
    host.log.clear();
    EXPECT_EQ(convert(tooLong.substr(1) + "\xB0\r\nB\xB0\r\n"), 2);
    EXPECT_EQ(csv(), "\"Reference Type\"\r\n\"" + std::string(3990, 'x') + "\"\r\n\"B\"\r\n");
    EXPECT_TRUE(host.messages.empty());

    // A doubled quote can carry the record text one byte past the limit.
    EXPECT_EQ(convert(tooLong.substr(1) + "\"\xB0\r\n"), 0);
    EXPECT_EQ(
        host.messages.at(0).text,
        path("export.txt") + ": record 1 is too long; the rest of the file was not converted");
}

TEST_F(ExportCsvTest, RecordOfMoreThanOneBlockIsReadWhole) {
    selectOnly({1, 2}, 32000);
    std::string abstract;
    for (int i = 0; abstract.size() < 30000; ++i)
        abstract += "sentence " + std::to_string(i) + ". ";
    std::string input;
    for (int r = 0; r < 40; ++r) input += "Book\t" + abstract + "\xB0\r\n";
    EXPECT_EQ(convert(input), 40);
    std::string expected = "\"Reference Type\",\"Author\"\r\n";
    for (int r = 0; r < 40; ++r) expected += "\"Book\",\"" + abstract + "\"\r\n";
    EXPECT_EQ(csv(), expected);
    // The event pump runs while a record is read, at most once per 4096 bytes.
    EXPECT_GE(host.pumpCount, 40);
    EXPECT_LE(host.pumpCount, static_cast<long>(input.size()) / BytePump::kBytesPerPump);
}

TEST_F(ExportCsvTest, NoFieldSelectedGivesEmptyLines) {
    selectOnly({});
    EXPECT_EQ(convert("A\tB\xB0\r\nC\xB0\r\n"), 2);
    EXPECT_EQ(csv(), "\r\n\r\n\r\n");
}

TEST_F(ExportCsvTest, ZeroOrNegativeMaxLengthGivesAnEmptyCutValue) {
    selectOnly({1, 2});
    settings.strategy.slots[1].maxLength = 0;
    settings.strategy.slots[2].maxLength = -5;
    EXPECT_EQ(convert("A\tB\xB0\r\n"), 1);
    EXPECT_EQ(csv(), "\"Reference Type\",\"Author\"\r\n\"\",\"\"\r\n");
    EXPECT_EQ(last.truncatedRecords, 1);
}

TEST_F(ExportCsvTest, OutputThatCannotBeCreatedLeavesTheExportUnread) {
    selectOnly({1});
    writeFile(path("export.txt"), "A\xB0\r\n");
    EXPECT_EQ(exportToCsv(settings.strategy, ctx.host, output, path("export.txt"),
                          path("missing folder/out.csv")),
              ExportResult{});
    EXPECT_EQ(
        host.messages,
        (std::vector<PlainHost::Message>{{MessageKind::Error, "Couldnt open output CSV File\n" +
                                                                  path("missing folder/out.csv") +
                                                                  ": No such file or directory"}}));
    EXPECT_EQ(host.progress.recordNumber, 0);
    EXPECT_FALSE(output.isOpen());
}

TEST_F(ExportCsvTest, MissingExportWritesNoCsv) {
    selectOnly({1, 2, 3});
    writeFile(path("out.csv"), "EARLIER CSV");
    EXPECT_EQ(exportToCsv(settings.strategy, ctx.host, output, path("no such export.txt"),
                          path("out.csv")),
              ExportResult{});
    EXPECT_EQ(
        host.messages,
        (std::vector<PlainHost::Message>{{MessageKind::Error, "Couldnt Open input .tsv file\n" +
                                                                  path("no such export.txt") +
                                                                  ": No such file or directory"}}));
    EXPECT_EQ(csv(), "EARLIER CSV");
    EXPECT_FALSE(output.isOpen());
}

TEST_F(ExportCsvTest, WriteErrorIsReportedAndGivesZero) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    selectOnly({1, 2});
    std::string input;
    for (int r = 0; r < 3000; ++r) input += "Book\t" + std::string(1000, 'a') + "\xB0\r\n";
    writeFile(path("export.txt"), input);
    EXPECT_EQ(exportToCsv(settings.strategy, ctx.host, output, path("export.txt"), "/dev/full"),
              ExportResult{});
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(
        host.messages[0],
        (PlainHost::Message{MessageKind::Error,
                            "Error writing the CSV file\n/dev/full: No space left on device"}));
    // It stops at the first failed block instead of reading on.
    EXPECT_LT(host.progress.recordNumber, 3000);
    EXPECT_FALSE(output.isOpen());
}

// A folder, a pipe or a device would be read as garbage, or until the disk is full.
TEST_F(ExportCsvTest, OnlyARegularFileIsAnExport) {
    selectOnly({1});
    std::filesystem::create_directory(path("a folder"));
    std::vector<std::pair<std::string, std::string>> inputs = {
        {path("a folder"), "Is a directory"}};
    if (std::filesystem::exists("/dev/zero")) inputs.push_back({"/dev/zero", "not a regular file"});
    for (const auto& [input, reason] : inputs) {
        host.messages.clear();
        EXPECT_EQ(exportToCsv(settings.strategy, ctx.host, output, input, path("out.csv")),
                  ExportResult{});
        EXPECT_EQ(
            host.messages,
            (std::vector<PlainHost::Message>{
                {MessageKind::Error, "Couldnt Open input .tsv file\n" + input + ": " + reason}}));
        EXPECT_TRUE(host.log.empty());
    }
}

}  // namespace
}  // namespace rq::test
