// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "base/bytes.h"
#include "converter/jfile_reader.h"
#include "converter/jfile_writer.h"
#include "converter/pdb_reader.h"
#include "tests/converter/hand_built.h"

namespace rq::jfile {
namespace {

using namespace std::string_literals;
using test::handAppInfo23;
using test::handAppInfo45;
using test::handPdb;
using test::handRecord45;

JFileDatabase twoFields() {
    JFileDatabase db;
    db.name = "Refs";
    db.fields = {{"Author", kTypeString, 80, 0, 0, {}},
                 {"Type", kTypePopup, 40, 0, 0, {"Book", "", "Journal"}}};
    return db;
}

TEST(JFileWriter, RoundTripKeepsFieldsSettingsListsAndValues) {
    JFileDatabase db = twoFields();
    db.structureLocked = true;
    db.showDataWidth = 123;
    db.firstColumnToShow = 0;
    db.fields[0].extraData = 7;
    db.fields[1].extraData2 = 9;
    db.records = {{"Smith", "Book"}, {"", ""}, {std::string("a\x85\xff\"b"), "x"}, {"only"}};
    const std::string bytes = writeJFile5(db, 0xB7C07A80);

    const PdbDatabase pdb = readPdb(bytes);
    EXPECT_EQ(pdb.version, 0x0901);  // JFile 5, no security, structure lock
    EXPECT_EQ(pdb.records[0].data, handRecord45({"Smith", "Book"}));
    EXPECT_EQ(pdb.records[3].data, handRecord45({"only", ""}));  // padded
    EXPECT_EQ(pdb.records[0].uniqueId, 1u);
    EXPECT_EQ(pdb.records[3].uniqueId, 4u);
    EXPECT_EQ(pdb.uniqueIdSeed, 5u);
    // The empty item is stored as 0x07; the chunk ends with one extra zero byte.
    EXPECT_EQ(pdb.appInfo.substr(1702), "popupb\0Book\0\x07\0Journal\0\0"s);

    const JFileDatabase back = readJFile(bytes);
    EXPECT_EQ(back.format, JFileFormat::JFile5);
    EXPECT_EQ(back.name, "Refs");
    EXPECT_TRUE(back.structureLocked);
    EXPECT_EQ(back.showDataWidth, 123);
    EXPECT_EQ(back.firstColumnToShow, 0);
    EXPECT_EQ(back.creationDate, 0xB7C07A80u);
    ASSERT_EQ(back.fields.size(), 2u);
    EXPECT_EQ(back.fields[0].name, "Author");
    EXPECT_EQ(back.fields[0].extraData, 7u);
    EXPECT_EQ(back.fields[1].type, kTypePopup);
    EXPECT_EQ(back.fields[1].columnWidth, 40);
    EXPECT_EQ(back.fields[1].extraData2, 9u);
    EXPECT_EQ(back.fields[1].popupItems, (std::vector<std::string>{"Book", "", "Journal"}));
    EXPECT_TRUE(back.fields[0].popupItems.empty());
    ASSERT_EQ(back.records.size(), 4u);
    EXPECT_EQ(back.records[2][0], std::string("a\x85\xff\"b"));
    EXPECT_EQ(back.records[3], (std::vector<std::string>{"only", ""}));
}

TEST(JFileWriter, NoListsGiveFourZeroBytesAndUnlockedVersion) {
    JFileDatabase db = twoFields();
    db.fields[1].popupItems.clear();
    const PdbDatabase pdb = readPdb(writeJFile5(db, 0));
    EXPECT_EQ(pdb.appInfo.size(), 1706u);
    EXPECT_EQ(pdb.appInfo.substr(1702), std::string(4, '\0'));
    EXPECT_EQ(pdb.version, 0x0801);
}

TEST(JFileWriter, RefusesValuesAndRecordsJFileCannotHold) {
    JFileWriter writer(twoFields());
    EXPECT_NO_THROW(writer.addRecord({std::string(3999, 'v'), ""}));
    try {
        writer.addRecord({"ok", std::string(4000, 'v')});
        ADD_FAILURE() << "a 4,000-byte value was taken";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("field 2 (\"Type\")"), std::string::npos) << e.what();
    }
    EXPECT_THROW(writer.addRecord({std::string("a\0b", 3)}), FormatError);
    EXPECT_THROW(writer.addRecord({"a", "b", "c"}), FormatError);
    EXPECT_EQ(writer.recordCount(), 1u);

    // 17 values of 3,999 bytes exceed a Palm record.
    JFileDatabase wide;
    wide.name = "Wide";
    for (int i = 0; i < 17; ++i) wide.fields.push_back({"F" + std::to_string(i), 1, 80, 0, 0, {}});
    JFileWriter wideWriter(wide);
    EXPECT_THROW(wideWriter.addRecord(std::vector<std::string>(17, std::string(3999, 'x'))),
                 FormatError);
    EXPECT_NO_THROW(wideWriter.addRecord(std::vector<std::string>(16, std::string(3999, 'x'))));
}

TEST(JFileWriter, RefusesLayoutsJFileCannotHold) {
    JFileDatabase db = twoFields();
    db.fields[0].name = std::string(21, 'n');
    EXPECT_THROW(JFileWriter{db}, FormatError);
    db.fields[0].name = std::string(20, 'n');
    EXPECT_NO_THROW(JFileWriter{db});
    db.fields[0].name = "";
    EXPECT_THROW(JFileWriter{db}, FormatError);

    db = twoFields();
    db.fields.resize(51, JFileField{"F", 1, 80, 0, 0, {}});
    EXPECT_THROW(JFileWriter{db}, FormatError);
    db.fields.resize(50);
    EXPECT_NO_THROW(JFileWriter{db});
    db.fields.clear();
    EXPECT_THROW(JFileWriter{db}, FormatError);

    db = twoFields();
    db.name = std::string(31, 'd');
    EXPECT_THROW(JFileWriter{db}, FormatError);
    db.name = "";
    EXPECT_THROW(JFileWriter{db}, FormatError);
    db = twoFields();
    db.fields[0].type = 3;
    EXPECT_THROW(JFileWriter{db}, FormatError);
    db.fields[0].type = 0x8000 | kTypeMultiplePopup;
    EXPECT_NO_THROW(JFileWriter{db});
}

TEST(JFileWriter, RefusesTheRecordAfterTheLastOneAPalmDatabaseHolds) {
    JFileDatabase db;
    db.name = "Many";
    db.fields = {{"N", 1, 80, 0, 0, {}}};
    JFileWriter writer(db);
    const std::vector<std::string> values{"1"};
    for (std::size_t i = 0; i < 65535; ++i) writer.addRecord(values);
    EXPECT_THROW(writer.addRecord(values), FormatError);
    EXPECT_EQ(readPdb(writer.finish(0)).records.size(), 65535u);
}

TEST(JFileWriter, LaterPopupListsGiveWayWhenTheBlockWouldOutgrowAPalmChunk) {
    JFileDatabase db;
    db.name = "Lists";
    for (int i = 0; i < 31; ++i) {
        db.fields.push_back({"F" + std::to_string(i), kTypePopup, 80, 0, 0,
                             std::vector<std::string>(100, std::string(24, 'i'))});
    }
    const std::string bytes = writeJFile5(db, 0);
    const std::string app = readPdb(bytes).appInfo;
    EXPECT_LE(app.size(), kPdbMaxRecordSize);
    const JFileDatabase back = readJFile(bytes);
    EXPECT_EQ(back.fields[0].popupItems.size(), 100u);
    EXPECT_TRUE(back.fields[30].popupItems.empty());
}

// Cut and scrambled files: anything but a FormatError escapes and fails the test, and the
// sanitizer build catches any read outside the buffer.
TEST(JFileReader, DamagedBytesGiveFormatErrorsOnly) {
    JFileDatabase db = twoFields();
    db.records = {{"Smith", "Book"}, {"Lee", ""}};
    const std::string good = writeJFile5(db, 0);
    auto readAll = [](const std::string& bytes) {
        try {
            readJFile(bytes);
        } catch (const FormatError&) {
        }
    };
    for (std::size_t cut = 0; cut < good.size(); ++cut) readAll(good.substr(0, cut));
    std::uint32_t seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::string bad = good;
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1103515245u + 12345u;
            const std::size_t at = (seed >> 8) % bad.size();
            bad[at] = static_cast<char>(seed >> 24);
        }
        readAll(bad);
    }
}

TEST(PopupLists, AreCutToWhatJFileTakes) {
    std::vector<std::string> many;
    for (int i = 0; i < 150; ++i) many.push_back("w" + std::to_string(i));
    const auto fitted = fitPopupList(many);
    ASSERT_EQ(fitted.size(), 100u);
    EXPECT_EQ(fitted.back(), "w99");

    EXPECT_EQ(fitPopupList({std::string(30, 'l')}).front(), std::string(25, 'l'));
    EXPECT_EQ(fitPopupList({std::string("ab\0cd", 5)}).front(), "ab");
    EXPECT_EQ(fitPopupList({"a", "popupc", "deflt1", "b"}), (std::vector<std::string>{"a", "b"}));

    // 25-byte items take 26 bytes with their zero: 96 fit in 2,500 bytes.
    const auto heavy = fitPopupList(std::vector<std::string>(100, std::string(25, 'h')));
    EXPECT_EQ(heavy.size(), 2500u / 26u);
}

TEST(PopupLists, FieldsPast26GetJFileUpperCaseLetters) {
    EXPECT_EQ(jfileFieldLetter(0), 'a');
    EXPECT_EQ(jfileFieldLetter(25), 'z');
    EXPECT_EQ(jfileFieldLetter(26), 'A');
    EXPECT_EQ(jfileFieldLetter(49), 'X');
    EXPECT_EQ(jfileFieldIndex('A'), 26u);
    EXPECT_EQ(jfileFieldIndex('X'), 49u);
    EXPECT_FALSE(jfileFieldIndex('Y').has_value());
    EXPECT_FALSE(jfileFieldIndex('1').has_value());

    JFileDatabase db;
    db.name = "Letters";
    for (int i = 0; i < 31; ++i)
        db.fields.push_back({"F" + std::to_string(i + 1), 1, 80, 0, 0, {}});
    db.fields[26].popupItems = {"twenty-seven"};
    db.fields[30].popupItems = {"thirty-one"};
    const std::string bytes = writeJFile5(db, 0);
    const std::string chunk = readPdb(bytes).appInfo.substr(1702);
    EXPECT_EQ(chunk, "popupA\0twenty-seven\0popupE\0thirty-one\0\0"s);
    const JFileDatabase back = readJFile(bytes);
    EXPECT_EQ(back.fields[26].popupItems, (std::vector<std::string>{"twenty-seven"}));
    EXPECT_EQ(back.fields[30].popupItems, (std::vector<std::string>{"thirty-one"}));
}

TEST(JFileReader, ReadsAHandBuiltJFile4Database) {
    const std::string chunk = "popupb\0Book\0\x07\0popupz\0Lost\0\0EndJFileData\0"s;
    const std::string app = handAppInfo45({{"Author", 1, 80}, {"Type", 64, 40}}, 0x0008, chunk);
    const std::string bytes = handPdb("Old refs", "JfDb", "JFil", 0, app,
                                      {handRecord45({"Smith", "Book"}), handRecord45({"", "x"})});
    const JFileDatabase db = readJFile(bytes);
    EXPECT_EQ(db.format, JFileFormat::JFile4);
    EXPECT_EQ(db.name, "Old refs");
    EXPECT_TRUE(db.structureLocked);  // from the AppInfo flags word
    ASSERT_EQ(db.fields.size(), 2u);
    EXPECT_EQ(db.fields[1].name, "Type");
    EXPECT_EQ(db.fields[1].type, 64);
    EXPECT_EQ(db.fields[1].popupItems, (std::vector<std::string>{"Book", ""}));
    ASSERT_EQ(db.records.size(), 2u);
    EXPECT_EQ(db.records[0], (std::vector<std::string>{"Smith", "Book"}));
    EXPECT_EQ(db.records[1], (std::vector<std::string>{"", "x"}));
}

TEST(JFileReader, ReadsHandBuiltJFile23DatabasesWithEitherMarker) {
    for (unsigned marker : {452u, 576u}) {
        const std::string chunk = "popupa\0Yes\0No\0\0"s;
        const std::string app =
            handAppInfo23({{"Name", 64, 60}, {"Note", 1, 80}, {"Year", 8, 30}}, marker, 0, chunk);
        ASSERT_EQ(app.size(), 564u + chunk.size());
        const std::string r1 =
            "Yes\0hello, world\0"
            "1999\0"s;
        const std::string r2 = "\0\0\0"s;
        const std::string deleted = "gone\0gone\0gone\0"s;
        std::string bytes = handPdb("Three", "JbDb", "JBas", 0, app, {r1, r2, deleted});
        bytes[pdbEntryAt(2) + kPdbEntryAttributesAt] = static_cast<char>(kRecAttrDelete);
        const JFileDatabase db = readJFile(bytes);
        EXPECT_EQ(db.format, JFileFormat::JFile23);
        EXPECT_FALSE(db.structureLocked);
        ASSERT_EQ(db.fields.size(), 3u);
        EXPECT_EQ(db.fields[2].name, "Year");
        EXPECT_EQ(db.fields[0].popupItems, (std::vector<std::string>{"Yes", "No"}));
        ASSERT_EQ(db.records.size(), 2u) << marker;
        EXPECT_EQ(db.records[0], (std::vector<std::string>{"Yes", "hello, world", "1999"}));
        EXPECT_EQ(db.records[1], (std::vector<std::string>{"", "", ""}));
    }
}

TEST(JFileReader, RefusesFilesThatAreNotReadableJFileDatabases) {
    const std::string app = handAppInfo45({{"A", 1, 80}}, 0, std::string(4, '\0'));
    const auto expectRefused = [](const std::string& bytes, const std::string& words) {
        try {
            readJFile(bytes);
            ADD_FAILURE() << "accepted; expected: " << words;
        } catch (const FormatError& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
    };
    expectRefused(handPdb("x", "DATA", "memo", 0, app, {}), "not a JFile database");
    expectRefused(handPdb("x", "JfD5", "JFi5", 0x0803, app, {}), "encrypted");
    expectRefused(handPdb("x", "JfD5", "JFi5", 0x0801, app.substr(0, 1701), {}), "AppInfo");
    std::string badMarker = app;
    badMarker[1153] = 0x41;
    expectRefused(handPdb("x", "JfD5", "JFi5", 0x0801, badMarker, {}), "marker");
    std::string noFields = app;
    noFields[1151] = 0;
    expectRefused(handPdb("x", "JfD5", "JFi5", 0x0801, noFields, {}), "fields");
    // Records whose lengths and zero bytes disagree, or that carry trailing bytes.
    const std::string good = handRecord45({"abc"});
    std::string wrongLength = good;
    wrongLength[1] = 3;
    expectRefused(handPdb("x", "JfD5", "JFi5", 0x0801, app, {good, wrongLength}), "record 2");
    expectRefused(handPdb("x", "JfD5", "JFi5", 0x0801, app, {good + "zz"}), "record 1");
    expectRefused(handPdb("x", "JfD5", "JFi5", 0x0801, app, {good.substr(0, 4)}), "record 1");
    expectRefused(handPdb("x", "JfD5", "JFi5", 0x0801, app, {std::string("\0\0", 2)}), "length 0");
}

}  // namespace
}  // namespace rq::jfile
