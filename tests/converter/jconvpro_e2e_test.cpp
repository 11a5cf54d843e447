// SPDX-License-Identifier: MIT
// Runs the built jconvpro.exe as the desktop program's driver does: files in, files out,
// "jconvpro.err" and the exit code on failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "base/native_path.h"
#include "converter/jconvpro.h"
#include "converter/jfile_reader.h"
#include "converter/jfile_writer.h"
#include "support/files.h"
#include "support/test_system.h"
#include "tests/converter/hand_built.h"

namespace rq::jfile {
namespace {

namespace fs = std::filesystem;
using Values = std::vector<std::string>;

const char* const kFixedTime = "1000000000";  // 2001-09-09 01:46:40 wall clock

std::string csvLine(const Values& values) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) out += ',';
        out += '"';
        for (char c : values[i]) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        out += '"';
    }
    return out + "\r\n";
}

// An IFO as the desktop writes it: types, widths, 110, 1, lock, zeros, marker, sections.
std::string ifoText(const std::vector<int>& types, const std::vector<int>& widths, int lock,
                    const std::vector<std::pair<std::string, Values>>& sections = {}) {
    std::string out;
    for (int t : types) out += std::to_string(t) + " ";
    out += "\r\n";
    for (int w : widths) out += std::to_string(w) + " ";
    out += "\r\n110\r\n1\r\n" + std::to_string(lock) + "\r\n";
    for (int k = 0; k < 2; ++k) {
        for (std::size_t i = 0; i < types.size(); ++i) out += "0 ";
        out += "\r\n";
    }
    out += "456E644A46696C654461746100";
    for (const auto& [letter, words] : sections) {
        out += "\r\npopup" + letter;
        for (const auto& w : words) out += "\r\n" + w;
    }
    return out;
}

class Jconvpro : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(dir_ / "work folder"); }

    // Work files live in a folder whose name holds a blank, as a program folder may.
    std::string path(const std::string& name) const {
        return (dir_ / "work folder" / name).string();
    }
    void write(const std::string& name, const std::string& bytes) const {
        rq::test::writeFile(path(name), bytes);
    }
    std::string read(const std::string& name) const { return rq::test::readFile(path(name)); }
    bool exists(const std::string& name) const { return fs::exists(path(name)); }

    int run(const Values& args) const {
        Values arguments{RQ_JCONVPRO};
        arguments.insert(arguments.end(), args.begin(), args.end());
        return rq::test::runProgram(arguments, dir_.string(),
                                    {std::string("RQ_CONVERTER_TIME=") + kFixedTime})
            .status;
    }
    int toPdb(const std::string& name = "My refs") const {
        return run({"1", path("input.tmp"), path("out.tmp"), name, path("ifo.tmp")});
    }
    int toCsv() const { return run({"2", path("out.tmp"), path("back.csv"), path("ifo.tmp")}); }

    // The run failed as the driver needs: non-zero exit, no output, a log naming `words`.
    void expectFailure(int rc, const std::string& output, const Values& words) const {
        EXPECT_NE(rc, 0);
        EXPECT_FALSE(exists(output)) << output << " was left behind";
        EXPECT_FALSE(exists(output + ".part"));
        ASSERT_TRUE(exists("jconvpro.err"));
        const std::string log = read("jconvpro.err");
        for (const auto& w : words) EXPECT_NE(log.find(w), std::string::npos) << w << "\n" << log;
    }

    rq::test::TempFolder temp_{"rq-jconvpro"};
    fs::path dir_ = temp_.path();
};

TEST_F(Jconvpro, WritesTheHandBuiltGoldenDatabaseByteForByte) {
    const std::string data = std::string(RQ_TEST_DATA_DIR) + "/converter/";
    fs::copy_file(data + "golden_small.csv", path("input.tmp"));
    fs::copy_file(data + "golden_small.ifo", path("ifo.tmp"));
    ASSERT_EQ(toPdb("Golden"), 0);
    EXPECT_EQ(read("out.tmp"), rq::test::readFile(data + "golden_small.pdb"));
    EXPECT_FALSE(exists("jconvpro.err"));
}

TEST_F(Jconvpro, RoundTripGivesTheSameCsvForNastyValues) {
    Values header;
    for (int i = 1; i <= 31; ++i) header.push_back("Field " + std::to_string(i));
    std::string csv = csvLine(header);
    const Values nasty = {
        "plain",   "say \"hi\"", "a, b, c", "\x85", "caf\xe9 \xff\x80\x9f", "",
        " ",       "\"",         ",",       "\"\"", std::string(3999, 'M'), "x\x85y\x85z",
        "'single'"};
    for (std::size_t r = 0; r < 40; ++r) {
        Values row;
        for (std::size_t c = 0; c < header.size(); ++c)
            row.push_back(nasty[(r + c) % nasty.size()]);
        if (r % 7 == 0) std::fill(row.begin(), row.end(), std::string(2000, 'L'));
        csv += csvLine(row);
    }
    write("input.tmp", csv);
    write("ifo.tmp", ifoText(std::vector<int>(31, 1), std::vector<int>(31, 80), 8));
    ASSERT_EQ(toPdb(), 0);
    ASSERT_EQ(toCsv(), 0);
    EXPECT_EQ(read("back.csv"), csv);
}

// A database of more than 1 MiB is written in two passes over the CSV and read back one record
// at a time: the bytes must be those the one-pass writer gives, and the CSV must come back.
TEST_F(Jconvpro, LargeDatabaseStreamsToTheSameBytesBothWays) {
    const Values header{"Author", "Title", "Abstract"};
    std::string csv = csvLine(header);
    JFileDatabase db;
    for (const std::string& name : header) db.fields.push_back({name, 1, 80, 0, 0, {}});
    for (int r = 0; r < 2500; ++r) {
        const Values row{"Author " + std::to_string(r), "T\"" + std::to_string(r % 7),
                         std::string(static_cast<std::size_t>(300 + r % 900), 'a' + r % 26)};
        csv += csvLine(row);
        db.records.push_back(row);
    }
    write("input.tmp", csv);
    write("ifo.tmp", ifoText({1, 1, 1}, {80, 80, 80}, 0));
    ASSERT_EQ(toPdb("Streamed"), 0);
    db.name = "Streamed";
    const std::string expected = writeJFile5(db, 1000000000u + 2082844800u);
    ASSERT_GT(expected.size(), std::size_t{1} << 20);
    EXPECT_TRUE(read("out.tmp") == expected);
    ASSERT_EQ(toCsv(), 0);
    EXPECT_TRUE(read("back.csv") == csv);
}

TEST_F(Jconvpro, PalmPdbReadsOurFileAsWeMeantIt) {
    const Values header{"Author", "Title", "Year"};
    const std::vector<Values> rows{
        {"Smith", "A \"quoted\" title", "1999"}, {"", "caf\xe9\x85", " "}, {"Lee"}};
    std::string csv = csvLine(header);
    for (const auto& r : rows) csv += csvLine(r);
    write("input.tmp", csv);
    write("ifo.tmp", ifoText({1, 1, 64}, {80, 80, 30}, 0, {{"c", {"1999", "2000"}}}));
    ASSERT_EQ(toPdb("Palm check"), 0);

    // Palm::PDB is a Perl module of Debian's: the cross-check runs where Perl does.
    if (std::string(RQ_PALM_CHECK).empty()) GTEST_SKIP() << "no Palm::PDB on this system";
    const rq::test::ProgramRun check =
        rq::test::runProgram({RQ_PERL, RQ_PALM_CHECK, path("out.tmp")}, dir_.string());
    ASSERT_EQ(check.status, 0) << check.out << check.err;
    std::map<std::string, std::string> seen;
    std::istringstream lines(check.out);
    for (std::string line; std::getline(lines, line);) {
        const auto space = line.find(' ', line.rfind("record", 0) == 0 ? 7 : 0);
        seen[line.substr(0, space)] = line.substr(space + 1);
    }
    EXPECT_EQ(seen["name"], "Palm check");
    EXPECT_EQ(seen["type"], "JfD5");
    EXPECT_EQ(seen["creator"], "JFi5");
    EXPECT_EQ(seen["records"], "3");
    auto hex = [](const std::string& bytes) {
        std::string out;
        const char* digits = "0123456789abcdef";
        for (unsigned char c : bytes) {
            out += digits[c >> 4];
            out += digits[c & 15];
        }
        return out;
    };
    EXPECT_EQ(seen["record 0"], hex(test::handRecord45(rows[0])));
    EXPECT_EQ(seen["record 1"], hex(test::handRecord45(rows[1])));
    EXPECT_EQ(seen["record 2"], hex(test::handRecord45({"Lee", "", ""})));
    const std::string app =
        hex(test::handAppInfo45({{"Author", 1, 80}, {"Title", 1, 80}, {"Year", 64, 30}}, 0,
                                std::string("popupc\0"
                                            "1999\0"
                                            "2000\0\0",
                                            18)));
    // Our file writes 0 flags and first column 1, as the hand-built block does.
    EXPECT_EQ(seen["appinfo"], app);
}

TEST_F(Jconvpro, IfoLetterBPutsItsListOnField27) {
    Values header;
    for (int i = 1; i <= 31; ++i) header.push_back("F" + std::to_string(i));
    write("input.tmp", csvLine(header) + csvLine(Values(31, "v")));
    std::vector<int> types(31, 1);
    types[0] = types[26] = types[30] = 64;
    write("ifo.tmp", ifoText(types, std::vector<int>(31, 80), 8,
                             {{"a", {"first"}}, {"B", {"27a", "27b"}}, {"F", {"31"}}}));
    ASSERT_EQ(toPdb(), 0);
    const std::string bytes = read("out.tmp");
    const JFileDatabase db = readJFile(bytes);
    ASSERT_EQ(db.fields.size(), 31u);
    EXPECT_EQ(db.fields[0].popupItems, Values{"first"});
    EXPECT_EQ(db.fields[26].popupItems, (Values{"27a", "27b"}));
    EXPECT_EQ(db.fields[30].popupItems, Values{"31"});
    EXPECT_TRUE(db.fields[27].popupItems.empty());
    EXPECT_TRUE(db.structureLocked);
    // In the file itself the lists carry JFile's letters.
    EXPECT_NE(bytes.find(std::string("popupA\0"
                                     "27a",
                                     10)),
              std::string::npos);
    EXPECT_NE(bytes.find(std::string("popupE\0"
                                     "31",
                                     9)),
              std::string::npos);
}

TEST_F(Jconvpro, ShortLinesGetEmptyValuesAndBothDirection2FormsWork) {
    write("input.tmp", csvLine({"A", "B", "C"}) + "\"x\",\r\n\r\n\"1\",\"2\",\"3\"\r\n");
    write("ifo.tmp", ifoText({1, 1, 1}, {80, 80, 80}, 0));
    ASSERT_EQ(toPdb(), 0);
    const std::string expected = csvLine({"A", "B", "C"}) + csvLine({"x", "", ""}) +
                                 csvLine({"", "", ""}) + csvLine({"1", "2", "3"});
    // IFO as the fourth argument (the blank vanished), as the fifth, and none at all.
    for (const Values& tail : {Values{path("ifo.tmp")}, Values{" ", path("ifo.tmp")}, Values{}}) {
        fs::remove(path("back.csv"));
        Values args{"2", path("out.tmp"), path("back.csv")};
        args.insert(args.end(), tail.begin(), tail.end());
        ASSERT_EQ(run(args), 0) << args.size();
        EXPECT_EQ(read("back.csv"), expected);
    }
}

// Names the ANSI code page cannot hold reach the converter whole, both ways: on Windows through
// its wide command line and its wide file names.
TEST_F(Jconvpro, FileNamesOutsideTheCodePageConvertBothWays) {
    const std::string base = path("") +
                             "\xc5\x81\xc3\xb3"
                             "d\xc5\xba refs \xe6\x9d\xb1";  // Łódź refs 東
    const std::string csv = csvLine({"A", "B"}) + csvLine({"x", "y"});
    const auto put = [](const std::string& file, const std::string& bytes) {
        std::ofstream(nativePath(file), std::ios::binary) << bytes;
    };
    put(base + ".csv", csv);
    put(base + ".ifo", ifoText({1, 1}, {80, 80}, 0));
    ASSERT_EQ(run({"1", base + ".csv", base + ".pdb", "refs", base + ".ifo"}), 0);
    ASSERT_EQ(run({"2", base + ".pdb", base + " back.csv", base + ".ifo"}), 0);
    std::ifstream back(nativePath(base + " back.csv"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(back), {}), csv);
}

TEST_F(Jconvpro, ReadsJFile4AndJFile23DatabasesIntoCsv) {
    const std::string app4 =
        test::handAppInfo45({{"Author", 1, 80}, {"Note", 1, 80}}, 0, std::string(4, '\0'));
    write("out.tmp", test::handPdb("Four", "JfDb", "JFil", 0, app4,
                                   {test::handRecord45({"Smith", "line one\nline two"})}));
    ASSERT_EQ(toCsv(), 0);
    EXPECT_EQ(read("back.csv"),
              csvLine({"Author", "Note"}) + csvLine({"Smith", "line one\x85line two"}));

    const std::string app23 =
        test::handAppInfo23({{"Author", 1, 80}, {"Note", 1, 80}}, 452, 0, std::string(4, '\0'));
    write("out.tmp", test::handPdb("Three", "JbDb", "JBas", 0, app23,
                                   {std::string("Doe\0crlf\r\nend\0", 14)}));
    ASSERT_EQ(toCsv(), 0);
    EXPECT_EQ(read("back.csv"), csvLine({"Author", "Note"}) + csvLine({"Doe",
                                                                       "crlf\x85"
                                                                       "end"}));
}

TEST_F(Jconvpro, Direction1FailuresLeaveOnlyTheErrorLog) {
    const std::string header = csvLine({"Author", "Title"});
    const std::string ifo = ifoText({1, 1}, {80, 80}, 8);
    struct Case {
        std::string csv;
        std::string ifo;
        Values words;
    };
    const std::vector<Case> cases = {
        {header + csvLine({"a", "b"}) + csvLine({"a", "b", "c"}),
         ifo,
         {"input.tmp", "line 3", "3 values"}},
        {header + csvLine({"a", std::string(4000, 'x')}),
         ifo,
         {"line 2", "field 2 (\"Title\")", "4000"}},
        {header + csvLine({"a", "\"unclosed"}).substr(0, 8) + "\r\n", ifo, {"line 2", "quote"}},
        {csvLine({std::string(21, 'n'), "Title"}), ifo, {"line 1", "longer than 20"}},
        {"", ifo, {"input.tmp", "empty"}},
        {header, ifoText({1}, {80}, 8), {"ifo.tmp", "line 1", "1 field types"}},
        {header, ifoText({1, 99}, {80, 80}, 8), {"ifo.tmp", "column 2", "99"}},
        {header, "110\r\n1\r\n8", {"ifo.tmp", "lines"}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        write("input.tmp", cases[i].csv);
        write("ifo.tmp", cases[i].ifo);
        write("out.tmp", "stale output of an earlier run");
        expectFailure(toPdb(), "out.tmp", cases[i].words);
    }

    // A record bigger than a Palm record, though every value fits.
    Values wideHeader, wideRow;
    for (int i = 0; i < 17; ++i) {
        wideHeader.push_back("F" + std::to_string(i));
        wideRow.push_back(std::string(3999, 'w'));
    }
    write("input.tmp", csvLine(wideHeader) + csvLine(wideRow));
    write("ifo.tmp", ifoText(std::vector<int>(17, 1), std::vector<int>(17, 80), 0));
    expectFailure(toPdb(), "out.tmp", {"line 2", "65505"});

    // 51 columns.
    Values many;
    for (int i = 0; i < 51; ++i) many.push_back("F" + std::to_string(i));
    write("input.tmp", csvLine(many));
    write("ifo.tmp", ifoText(std::vector<int>(51, 1), std::vector<int>(51, 80), 0));
    expectFailure(toPdb(), "out.tmp", {"51 fields", "at most 50"});

    // Database names JFile cannot take, and files that are not there.
    write("input.tmp", header);
    write("ifo.tmp", ifo);
    expectFailure(toPdb(std::string(31, 'd')), "out.tmp", {"database name", "30"});
    fs::remove(path("ifo.tmp"));
    expectFailure(toPdb(), "out.tmp", {"ifo.tmp", "cannot be read"});
    write("ifo.tmp", ifo);
    fs::remove(path("input.tmp"));
    expectFailure(toPdb(), "out.tmp", {"input.tmp", "cannot be read"});
}

TEST_F(Jconvpro, MoreRecordsThanAPalmDatabaseHoldsFail) {
    std::string csv = csvLine({"N"});
    csv.reserve(65536 * 6);
    for (int i = 0; i < 65536; ++i) csv += "\"1\"\r\n";
    write("input.tmp", csv);
    write("ifo.tmp", ifoText({1}, {80}, 0));
    expectFailure(toPdb(), "out.tmp", {"line 65537", "65535 records"});
}

TEST_F(Jconvpro, Direction2FailuresLeaveOnlyTheErrorLog) {
    write("ifo.tmp", ifoText({1}, {80}, 0));
    write("input.tmp", csvLine({"A"}) + csvLine({"one"}) + csvLine({"two"}));
    ASSERT_EQ(toPdb(), 0);
    const std::string good = read("out.tmp");

    write("out.tmp", good.substr(0, good.size() - 3));  // last record cut short
    write("back.csv", "stale");
    expectFailure(toCsv(), "back.csv", {"out.tmp", "record 2"});

    write("out.tmp", good.substr(0, 60));  // inside the header
    expectFailure(toCsv(), "back.csv", {"out.tmp", "ends too early"});

    std::string other = good;
    other.replace(60, 8, "TEXtREAd");
    write("out.tmp", other);
    expectFailure(toCsv(), "back.csv", {"not a JFile database", "TEXt"});

    fs::remove(path("out.tmp"));
    expectFailure(toCsv(), "back.csv", {"out.tmp", "cannot be read"});
}

TEST_F(Jconvpro, BadUsageIsReportedBesideTheOutputAndTouchesNoFile) {
    expectFailure(run({"3", path("input.tmp"), path("out.tmp"), "x", path("ifo.tmp")}), "out.tmp",
                  {"Wrong command line", "Usage"});
    // A missing argument leaves the third one alone: it is not known to be an output.
    write("out.tmp", "precious");
    EXPECT_NE(run({"1", path("input.tmp"), path("out.tmp"), path("ifo.tmp")}), 0);
    EXPECT_NE(read("jconvpro.err").find("Wrong command line"), std::string::npos);
    EXPECT_EQ(read("out.tmp"), "precious");
    // Input and output the same file: refused before anything is read or written.
    EXPECT_NE(run({"2", path("out.tmp"), path("out.tmp")}), 0);
    EXPECT_NE(read("jconvpro.err").find("same file"), std::string::npos);
    EXPECT_EQ(read("out.tmp"), "precious");
}

// A folder given as the output is refused and stays, empty or not, in both directions and
// whether or not the rest of the line is right.
TEST_F(Jconvpro, AFolderAsOutputIsRefusedAndNeverRemoved) {
    write("input.tmp", csvLine({"A"}) + csvLine({"one"}));
    write("ifo.tmp", ifoText({1}, {80}, 0));
    ASSERT_EQ(toPdb(), 0);
    fs::create_directories(path("DB"));
    const std::vector<Values> lines = {
        {"2", path("out.tmp"), path("DB")},
        {"1", path("input.tmp"), path("DB"), "name", path("ifo.tmp")},
        {"1", path("input.tmp"), path("DB"), "name", path("missing.ifo")},
    };
    for (const Values& line : lines) {
        EXPECT_NE(run(line), 0) << line[0];
        EXPECT_TRUE(fs::is_directory(path("DB"))) << line[0];
        EXPECT_NE(read("jconvpro.err").find("is a folder"), std::string::npos);
    }
}

TEST_F(Jconvpro, AGoodRunRemovesAnOldErrorLog) {
    write("jconvpro.err", "from an earlier run");
    write("input.tmp", csvLine({"A"}) + csvLine({"one"}));
    write("ifo.tmp", ifoText({1}, {80}, 0));
    ASSERT_EQ(toPdb(), 0);
    EXPECT_FALSE(exists("jconvpro.err"));
    EXPECT_TRUE(exists("out.tmp"));
    EXPECT_FALSE(exists("out.tmp.part"));
}

// Run in-process: an exception from deep inside (here the name conversion) must end as a
// reported failure, never as an exit the driver takes for a normal one.
TEST_F(Jconvpro, AnUnexpectedErrorIsReportedAndLeavesNoOutput) {
    write("input.tmp", csvLine({"A"}) + csvLine({"one"}));
    write("ifo.tmp", ifoText({1}, {80}, 0));
    write("out.tmp", "stale output of an earlier run");
    const int rc =
        runJconvpro({"1", path("input.tmp"), path("out.tmp"), "My refs", path("ifo.tmp")}, 0,
                    [](const std::string&) -> std::optional<std::string> {
                        throw std::runtime_error("no code page for the name");
                    });
    expectFailure(rc, "out.tmp", {"could not do the conversion", "no code page for the name"});
}

}  // namespace
}  // namespace rq::jfile
