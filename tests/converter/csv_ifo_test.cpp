// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sstream>

#include "base/bytes.h"
#include "converter/csv_reader.h"
#include "converter/csv_writer.h"
#include "converter/ifo_reader.h"
#include "converter/palm_time.h"

namespace rq::jfile {
namespace {

using Values = std::vector<std::string>;

Values split(std::string_view line) {
    Values values;
    splitCsvLine(line, values);
    return values;
}

TEST(CsvReader, SplitsTheDesktopFormatIntoExactlyItsValues) {
    EXPECT_EQ(split("\"a\",\"b, c\",\"\",\" \"\r\n"), (Values{"a", "b, c", "", " "}));
    EXPECT_EQ(split("\"say \"\"hi\"\"\",\"\"\"\"\r\n"), (Values{"say \"hi\"", "\""}));
    EXPECT_EQ(split("\"\x85\xe9\xff\"\r\n"), (Values{"\x85\xe9\xff"}));
    EXPECT_EQ(split("\r\n"), Values{});
    EXPECT_EQ(split(""), Values{});
}

TEST(CsvReader, ToleratesWhatTheDesktopReaderTolerates) {
    EXPECT_EQ(split("  \"a\" , \"b\"  \n"), (Values{"a", "b"}));
    EXPECT_EQ(split(",x,,y,"), (Values{"", "x", "", "y"}));
    EXPECT_EQ(split("\"a\"\"b\"x"), (Values{"a\"b", "x"}));
}

TEST(CsvReader, RefusesLinesWhoseValuesWouldComeOutChanged) {
    Values values;
    EXPECT_THROW(splitCsvLine("\"open,\"\"still open\r\n", values), FormatError);
    EXPECT_THROW(splitCsvLine(std::string_view("\"a\0b\"", 5), values), FormatError);
}

TEST(CsvReader, CountsLinesAndStopsAtTheEnd) {
    std::istringstream in("\"h1\",\"h2\"\r\n\"a\",\"b\"\r\n\r\n\"c\"");
    CsvReader reader(in);
    Values values;
    ASSERT_TRUE(reader.readLine(values));
    EXPECT_EQ(values, (Values{"h1", "h2"}));
    ASSERT_TRUE(reader.readLine(values));
    ASSERT_TRUE(reader.readLine(values));
    EXPECT_TRUE(values.empty());  // an empty line is a record without values
    ASSERT_TRUE(reader.readLine(values));
    EXPECT_EQ(values, Values{"c"});
    EXPECT_EQ(reader.lineNumber(), 4u);
    EXPECT_FALSE(reader.readLine(values));
}

TEST(CsvWriter, QuotesEverythingAndKeepsEachRecordOnOneLine) {
    std::string out;
    appendCsvLine(out, {"plain", "with \"quote\"", "", "a,b"});
    EXPECT_EQ(out, "\"plain\",\"with \"\"quote\"\"\",\"\",\"a,b\"\r\n");
    out.clear();
    appendCsvLine(out, {"one\ntwo", "three\r\nfour", "five\rsix", "\x85\xff"});
    EXPECT_EQ(out,
              "\"one\x85two\",\"three\x85"
              "four\",\"five\x85six\",\"\x85\xff\"\r\n");
    // What the writer writes, the reader reads back.
    const Values nasty{"\"\"", ",", " ", "", "\x85", "x\"y\"z"};
    out.clear();
    appendCsvLine(out, nasty);
    EXPECT_EQ(split(out), nasty);
}

const char* const kIfo =
    "64 1 81 \r\n15 80 30 \r\n110\r\n1\r\n8\r\n0 0 0 \r\n0 0 0 \r\n"
    "456E644A46696C654461746100\r\npopupa\r\nBook\r\n\r\nJournal\r\npopupc\r\n1999";

TEST(IfoReader, ReadsTheLayoutTheDesktopWrites) {
    const IfoInfo info = readIfo(kIfo);
    EXPECT_EQ(info.types, (std::vector<std::int64_t>{64, 1, 81}));
    EXPECT_EQ(info.widths, (std::vector<std::int64_t>{15, 80, 30}));
    EXPECT_EQ(info.dataWidth, 110);
    EXPECT_EQ(info.firstColumn, 1);
    EXPECT_EQ(info.lockFlags, 8);
    EXPECT_EQ(info.extra, (std::vector<std::int64_t>{0, 0, 0}));
    ASSERT_EQ(info.popupLists.size(), 2u);
    EXPECT_EQ(info.popupLists.at(0), (Values{"Book", "", "Journal"}));
    EXPECT_EQ(info.popupLists.at(2), Values{"1999"});

    // LF alone reads the same; a final line end is an empty last word.
    std::string lf = kIfo;
    for (std::size_t p; (p = lf.find('\r')) != std::string::npos;) lf.erase(p, 1);
    EXPECT_EQ(readIfo(lf).popupLists, info.popupLists);
    EXPECT_EQ(readIfo(std::string(kIfo) + "\r\n").popupLists.at(2), (Values{"1999", ""}));
    // No sections at all.
    EXPECT_TRUE(readIfo("1 \r\n80 \r\n110\r\n1\r\n0\r\n0 \r\n0 \r\n456E644A46696C654461746100")
                    .popupLists.empty());
}

TEST(IfoReader, LettersCountCsvColumnsWithBForColumn27) {
    EXPECT_EQ(ifoColumnOfLetter('a'), 0u);
    EXPECT_EQ(ifoColumnOfLetter('z'), 25u);
    EXPECT_EQ(ifoColumnOfLetter('B'), 26u);
    EXPECT_EQ(ifoColumnOfLetter('F'), 30u);
    EXPECT_FALSE(ifoColumnOfLetter('A').has_value());
    const IfoInfo info = readIfo(
        "1 \r\n80 \r\n110\r\n1\r\n0\r\n0 \r\n0 \r\n456E644A46696C654461746100\r\n"
        "popupB\r\nx\r\npopupA\r\ny");
    EXPECT_EQ(info.popupLists.at(26), Values{"x"});
    EXPECT_EQ(info.unplacedSections, Values{"popupA"});
}

TEST(IfoReader, RefusesTextThatIsNotTheLayout) {
    auto refused = [](const std::string& text, const std::string& words) {
        try {
            readIfo(text);
            ADD_FAILURE() << "accepted; expected: " << words;
        } catch (const FormatError& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
    };
    refused("1 \r\n80 \r\n110\r\n1\r\n0\r\n0 \r\n0 ", "8");
    refused("1 x\r\n80 \r\n110\r\n1\r\n0\r\n0 \r\n0 \r\n456E644A46696C654461746100", "line 1");
    refused("1 \r\n80 \r\n110 5\r\n1\r\n0\r\n0 \r\n0 \r\n456E644A46696C654461746100", "line 3");
    refused("1 \r\n80 \r\n110\r\n1\r\n0\r\n0 \r\n0 \r\nEndJFileData", "line 8");
    refused("1 \r\n80 \r\n110\r\n1\r\n0\r\n0 \r\n0 \r\n456E644A46696C654461746100\r\nBook",
            "line 9");
}

TEST(PalmTime, CountsFrom1904) {
    EXPECT_EQ(palmTimeFromWallSeconds(0), 2082844800u);
    EXPECT_EQ(palmTimeFromText("1000000000"), 3082844800u);
    EXPECT_FALSE(palmTimeFromText("").has_value());
    EXPECT_FALSE(palmTimeFromText("12x").has_value());
    // Whatever the zone, the local stamp lies within a day of the zone-free one.
    const std::time_t now = 1700000000;
    const std::int64_t local = palmTimeFromLocal(now);
    EXPECT_LE(std::abs(local - static_cast<std::int64_t>(palmTimeFromWallSeconds(now))), 86400);
}

}  // namespace
}  // namespace rq::jfile
