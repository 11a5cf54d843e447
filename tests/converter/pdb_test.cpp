// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "base/bytes.h"
#include "converter/pdb_reader.h"
#include "converter/pdb_writer.h"
#include "tests/converter/hand_built.h"

namespace rq::jfile {
namespace {

PdbDatabase sample() {
    PdbDatabase db;
    db.name = "Sample";
    db.version = 0x0801;
    db.creationDate = 0xB7C07A80;
    db.modificationDate = 0xB7C07A81;
    db.type = "JfD5";
    db.creator = "JFi5";
    db.uniqueIdSeed = 4;
    db.appInfo = "APPINFO";
    db.sortInfo = "SORT";
    db.records = {{0x00, 1, "first"}, {0x40, 0x123456, ""}, {0x10, 3, std::string("x\0y", 3)}};
    return db;
}

TEST(Pdb, WriterPlacesBlocksAndReaderGetsEverythingBack) {
    const PdbDatabase db = sample();
    const std::string bytes = writePdb(db);
    // AppInfo right after header, three entries and the two-byte gap.
    const std::size_t app = pdbEntryAt(3) + kPdbGapSize;
    EXPECT_EQ(getU32(bytes, kPdbAppInfoAt), app);
    EXPECT_EQ(getU32(bytes, kPdbSortInfoAt), app + 7);
    EXPECT_EQ(bytes.substr(kPdbTypeAt, 2 * kPdbTypeSize), "JfD5JFi5");
    EXPECT_EQ(getU16(bytes, kPdbRecordCountAt), 3);
    EXPECT_EQ(getU16(bytes, app - 2), 0);
    EXPECT_EQ(bytes.size(), app + 7 + 4 + 5 + 0 + 3);
    EXPECT_EQ(bytes.substr(bytes.size() - 3), std::string("x\0y", 3));

    const PdbDatabase back = readPdb(bytes);
    EXPECT_EQ(back.name, "Sample");
    EXPECT_EQ(back.attributes, 0x0008);
    EXPECT_EQ(back.version, 0x0801);
    EXPECT_EQ(back.creationDate, 0xB7C07A80u);
    EXPECT_EQ(back.modificationDate, 0xB7C07A81u);
    EXPECT_EQ(back.type, "JfD5");
    EXPECT_EQ(back.creator, "JFi5");
    EXPECT_EQ(back.uniqueIdSeed, 4u);
    EXPECT_EQ(back.appInfo, "APPINFO");
    EXPECT_EQ(back.sortInfo, "SORT");
    ASSERT_EQ(back.records.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.records[i].data, db.records[i].data) << i;
        EXPECT_EQ(back.records[i].attributes, db.records[i].attributes) << i;
        EXPECT_EQ(back.records[i].uniqueId, db.records[i].uniqueId) << i;
    }
}

TEST(Pdb, WriterRefusesWhatAPalmDatabaseCannotHold) {
    PdbDatabase db = sample();
    db.name = std::string(32, 'n');
    EXPECT_THROW(writePdb(db), FormatError);
    db.name = std::string(31, 'n');
    EXPECT_NO_THROW(writePdb(db));
    db.name.clear();
    EXPECT_THROW(writePdb(db), FormatError);

    db = sample();
    db.records.assign(65536, PdbRecord{});
    EXPECT_THROW(writePdb(db), FormatError);
    db.records.resize(65535);
    EXPECT_NO_THROW(writePdb(db));

    db = sample();
    db.records[1].data.assign(65506, 'x');
    EXPECT_THROW(writePdb(db), FormatError);
    db.records[1].data.resize(65505);
    EXPECT_NO_THROW(writePdb(db));
}

TEST(Pdb, ReaderRefusesDamagedFiles) {
    const std::string good = writePdb(sample());
    // Every cut inside the header and record list is caught.
    for (std::size_t cut : {0u, 10u, 77u, 78u + 8u, 78u + 23u}) {
        EXPECT_THROW(readPdb(good.substr(0, cut)), FormatError) << cut;
    }
    // A record offset past the end of the file.
    {
        std::string bad = good;
        bad.resize(getU32(good, pdbEntryAt(2)) - 1);
        EXPECT_THROW(readPdb(bad), FormatError);
    }
    // Offsets that decrease.
    {
        std::string bad = good;
        for (int k = 0; k < 4; ++k) std::swap(bad[pdbEntryAt(0) + k], bad[pdbEntryAt(1) + k]);
        bad[pdbEntryAt(0) + 3] = static_cast<char>(bad[pdbEntryAt(0) + 3] + 1);
        EXPECT_THROW(readPdb(bad), FormatError);
    }
    // A name with no terminating zero.
    {
        std::string bad = good;
        for (int k = 0; k < 32; ++k) bad[k] = 'n';
        EXPECT_THROW(readPdb(bad), FormatError);
    }
    // A resource database and a second record list.
    {
        std::string bad = good;
        bad[33] = 0x09;
        EXPECT_THROW(readPdb(bad), FormatError);
        bad = good;
        bad[75] = 1;
        EXPECT_THROW(readPdb(bad), FormatError);
    }
}

TEST(Pdb, BlocksEndWhereTheNextStartsAndEmptyRecordsAreRead) {
    // No SortInfo: the AppInfo runs to the first record; two records with equal offsets.
    const std::string bytes = test::handPdb("n", "abcd", "efgh", 0, "APP", {"", "tail"});
    const PdbDatabase db = readPdb(bytes);
    EXPECT_EQ(db.appInfo, "APP");
    EXPECT_TRUE(db.sortInfo.empty());
    ASSERT_EQ(db.records.size(), 2u);
    EXPECT_EQ(db.records[0].data, "");
    EXPECT_EQ(db.records[1].data, "tail");
}

}  // namespace
}  // namespace rq::jfile
