// SPDX-License-Identifier: MIT
// The line splitter (memchr runs, views, unescaping only where quotes are doubled) against the
// splitting rules applied one byte at a time, on random lines heavy in quotes, commas, blanks,
// CR, LF and zero bytes, under the import's rules and under the converter's, which refuse what
// the import guesses at.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/csv_line.h"

namespace rq::test {
namespace {

bool blank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

struct ByteWise {
    std::vector<std::string> values;
    bool unclosed = false;  // the last value opens a quote that is never closed
};

// The import's rules as the reader states them, byte by byte.
ByteWise splitByteWise(std::string_view text) {
    text = text.substr(0, std::min(text.size(), text.find('\0')));
    std::vector<std::string> values;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && blank(text[i])) ++i;
    while (i < n) {
        if (text[i] == '"') {
            ++i;
            std::string value;
            bool closed = false;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        value += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed) {
                if (!value.empty()) value.pop_back();
                values.push_back(value);
                return {values, true};
            }
            values.push_back(value);
        } else {
            const std::size_t start = i;
            while (i < n && text[i] != ',') ++i;
            std::size_t stop = i;
            while (stop > start && blank(text[stop - 1])) --stop;
            values.emplace_back(text.substr(start, stop - start));
        }
        while (i < n && blank(text[i])) ++i;
        if (i < n && text[i] == ',') {
            ++i;
            while (i < n && blank(text[i])) ++i;
        }
    }
    return {values, false};
}

std::vector<std::string> split(std::string_view line, const CsvLineRules& rules,
                               CsvLineResult& result) {
    std::string store(line.size(), '\0');
    std::vector<std::string_view> views;
    result = splitCsvViews(line, store.data(), views, rules);
    return {views.begin(), views.end()};
}

TEST(CsvSplitProperty, MemchrSplitterFollowsTheByteRules) {
    std::mt19937 rng(1207);
    const std::string bytes = std::string("\"\"\",,  \t\r\nab\x85\xFF", 14) + std::string(1, '\0');
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const std::size_t length = rng() % 40;
        while (line.size() < length) {
            if (rng() % 3 == 0) {
                line.append(1 + rng() % 5, static_cast<char>('c' + rng() % 5));
            } else {
                line += bytes[rng() % bytes.size()];
            }
        }
        if (rng() % 2 == 0) line += "\r\n";
        const ByteWise expected = splitByteWise(line);
        CsvLineResult result{};
        EXPECT_EQ(split(line, kImportCsvRules, result), expected.values)
            << ::testing::PrintToString(line);
        EXPECT_EQ(result, CsvLineResult::Split);

        // The converter's rules: the same values, or a refusal with the values before it.
        const std::vector<std::string> values = split(line, kConverterCsvRules, result);
        if (line.find('\0') != std::string::npos) {
            EXPECT_EQ(result, CsvLineResult::ZeroByte) << ::testing::PrintToString(line);
            EXPECT_TRUE(values.empty());
        } else if (expected.unclosed) {
            EXPECT_EQ(result, CsvLineResult::UnclosedQuote) << ::testing::PrintToString(line);
            EXPECT_EQ(values,
                      std::vector<std::string>(expected.values.begin(), expected.values.end() - 1));
        } else {
            EXPECT_EQ(result, CsvLineResult::Split) << ::testing::PrintToString(line);
            EXPECT_EQ(values, expected.values) << ::testing::PrintToString(line);
        }
    }
}

}  // namespace
}  // namespace rq::test
