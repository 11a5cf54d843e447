// SPDX-License-Identifier: MIT
// The fast export reader against the byte-at-a-time one: random exports, heavy in the bytes
// that mean something (tab, CR, LF, quote, 0xB0, 0x1A), with random strategies, must give the
// same CSV, counts, log and messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/export_csv.h"
#include "formats_fixture.h"

namespace rq::test {
namespace {

struct Result {
    int records;
    int truncated;
    std::string csv;
    std::vector<std::string> log;
    std::vector<PlainHost::Message> messages;
    long lastRecordNumber;
};

class ExportPropertyTest : public FormatsTest {
  protected:
    Result run(ExportResult (*convert)(Strategy&, HostServices&, OutputFile&, const std::string&,
                                       const std::string&)) {
        host.log.clear();
        host.messages.clear();
        host.progress.recordNumber = 0;
        const ExportResult exported =
            convert(settings.strategy, ctx.host, output, path("export.txt"), path("out.csv"));
        return {exported.records, exported.truncatedRecords, readFile(path("out.csv")), host.log,
                host.messages,    host.progress.recordNumber};
    }

    void randomStrategy(std::mt19937& rng) {
        for (int n = 1; n <= kFieldCount; ++n) {
            FieldSlot& slot = settings.strategy.slots[n];
            slot.selected = rng() % 3 != 0;
            const unsigned pick = rng() % 4;
            slot.maxLength = pick == 0   ? static_cast<std::int32_t>(rng() % 4)
                             : pick == 1 ? static_cast<std::int32_t>(rng() % 40)
                                         : 3990;
        }
    }

    void expectSame(const std::string& input, const std::string& what) {
        writeFile(path("export.txt"), input);
        const Result fast = run(exportToCsv);
        const Result plain = run(exportToCsvByteWise);
        SCOPED_TRACE(what);
        EXPECT_EQ(fast.records, plain.records);
        EXPECT_EQ(fast.truncated, plain.truncated);
        EXPECT_EQ(fast.lastRecordNumber, plain.lastRecordNumber);
        EXPECT_EQ(fast.log, plain.log);
        EXPECT_EQ(fast.messages, plain.messages);
        ASSERT_EQ(fast.csv.size(), plain.csv.size());
        EXPECT_TRUE(fast.csv == plain.csv);
    }
};

// A record of fields whose bytes come mostly from the ones the rules treat specially.
std::string randomRecord(std::mt19937& rng, std::size_t maxBytes) {
    static const std::string kBytes = "ab \t\t\r\n\"\xB0\xFF";
    static const char* const kLineEnds[] = {"\r\n", "\n", "\r", "\r\r\n", ""};
    std::string record;
    const std::size_t length = rng() % (maxBytes + 1);
    while (record.size() < length) {
        const unsigned pick = rng() % 10;
        if (pick < 4) {
            record.append(1 + rng() % 20, static_cast<char>('c' + rng() % 20));
        } else {
            record += kBytes[rng() % kBytes.size()];
        }
    }
    record += '\xB0';
    record += kLineEnds[rng() % std::size(kLineEnds)];
    return record;
}

TEST_F(ExportPropertyTest, FastAndByteWiseReadersGiveTheSameBytes) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 300; ++round) {
        randomStrategy(rng);
        std::string input;
        const int records = static_cast<int>(rng() % 12);
        for (int r = 0; r < records; ++r) input += randomRecord(rng, r % 5 == 4 ? 400 : 40);
        if (rng() % 4 == 0) input += randomRecord(rng, 30);  // often unfinished
        if (rng() % 6 == 0)
            input.resize(input.size() - std::min<std::size_t>(input.size(), 1 + rng() % 3));
        if (rng() % 8 == 0) input.insert(rng() % (input.size() + 1), "\x1A");
        expectSame(input, "round " + std::to_string(round));
    }
}

// Records across block and carry boundaries, a record at the limit, one past it, and a record
// that is mostly dropped CRs (longer than the carry area, though its text is short).
TEST_F(ExportPropertyTest, LargeInputsAndRecordLimitGiveTheSameBytes) {
    std::mt19937 rng(7);
    randomStrategy(rng);
    for (int n = 1; n <= kFieldCount; ++n) settings.strategy.slots[n].maxLength = 31000;
    std::string input;
    while (input.size() < 700000) input += randomRecord(rng, 3000);
    input += std::string(100000, '\r') + "crs\xB0\r\n";
    std::string nearLimit(31990, 'x');
    nearLimit[100] = '\t';
    for (int extra = 0; extra < 12; ++extra) {
        input += nearLimit + std::string(static_cast<std::size_t>(extra), '"') + "\xB0\r\n";
    }
    for (const std::size_t size : {input.size(), std::size_t{262143}, std::size_t{262144},
                                   std::size_t{262145}, std::size_t{524290}}) {
        expectSame(input.substr(0, size), "size " + std::to_string(size));
    }
    expectSame(std::string(70000, '\n') + "a\tb\xB0", "leading line ends");
}

}  // namespace
}  // namespace rq::test
