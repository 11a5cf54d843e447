// SPDX-License-Identifier: MIT
#include "bench/export_generator.h"

#include "engine/strategy_file.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace rq::bench {

namespace {

// Words with a share of Windows-1252 letters (0xE9 e acute, 0xFC u umlaut, 0xF6, 0xE7, 0xF1).
constexpr std::array<std::string_view, 64> kWords = {"the",
                                                     "of",
                                                     "and",
                                                     "in",
                                                     "water",
                                                     "temple",
                                                     "irrigation",
                                                     "rice",
                                                     "village",
                                                     "state",
                                                     "colonial",
                                                     "memory",
                                                     "ritual",
                                                     "market",
                                                     "river",
                                                     "island",
                                                     "trade",
                                                     "caf\xE9",
                                                     "r\xE9gime",
                                                     "M\xFCller",
                                                     "Gr\xF6\xDF"
                                                     "e",
                                                     "fa\xE7"
                                                     "ade",
                                                     "se\xF1or",
                                                     "na\xEFve",
                                                     "analysis",
                                                     "survey",
                                                     "households",
                                                     "labour",
                                                     "migration",
                                                     "coastal",
                                                     "upland",
                                                     "forest",
                                                     "policy",
                                                     "reform",
                                                     "religion",
                                                     "language",
                                                     "kinship",
                                                     "economy",
                                                     "archive",
                                                     "court",
                                                     "dynasty",
                                                     "pilgrimage",
                                                     "harvest",
                                                     "cooperative",
                                                     "landscape",
                                                     "to",
                                                     "a",
                                                     "with",
                                                     "from",
                                                     "between",
                                                     "1965",
                                                     "twentieth",
                                                     "century",
                                                     "evidence",
                                                     "new",
                                                     "approach",
                                                     "regional",
                                                     "comparative",
                                                     "study",
                                                     "the",
                                                     "for",
                                                     "on",
                                                     "its",
                                                     "by"};

constexpr std::array<std::string_view, 16> kSurnames = {"Haryanto",
                                                        "Lansing",
                                                        "Geertz",
                                                        "M\xFCller",
                                                        "Anderson",
                                                        "O'Neil",
                                                        "Tan",
                                                        "Widjaja",
                                                        "Fran\xE7"
                                                        "ois",
                                                        "Sutherland",
                                                        "Reid",
                                                        "Nguyen",
                                                        "Kahn",
                                                        "Dobbin",
                                                        "Ricklefs",
                                                        "Pe\xF1"
                                                        "a"};

constexpr std::array<std::string_view, 8> kPlaces = {"New York",  "Ithaca", "London", "Cambridge",
                                                     "Singapore", "Leiden", "Paris",  "Jakarta"};

constexpr std::array<std::string_view, 8> kPublishers = {"Routledge",
                                                         "Cornell University Press",
                                                         "Oxford University Press",
                                                         "KITLV Press",
                                                         "Princeton University Press",
                                                         "Duke",
                                                         "Sinar Harapan",
                                                         "Penguin Books"};

}  // namespace

ExportGenerator::ExportGenerator(unsigned seed) : state_(0x9E3779B97F4A7C15ULL ^ seed) {}

// splitmix64: small, fast and the same everywhere.
std::uint64_t ExportGenerator::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

void ExportGenerator::appendWords(std::string& out, std::size_t minBytes, std::size_t maxBytes) {
    const std::size_t target = minBytes + below(maxBytes - minBytes + 1);
    const std::size_t start = out.size();
    bool first = true;
    while (out.size() - start < target) {
        if (!first) out += ' ';
        first = false;
        out += kWords[below(kWords.size())];
    }
}

void ExportGenerator::appendAuthors(std::string& out) {
    const std::size_t count = 1 + below(6);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) out += chance(30) ? "\r\n" : "; ";
        out += kSurnames[below(kSurnames.size())];
        out += ", ";
        out += static_cast<char>('A' + below(26));
        out += '.';
    }
}

void ExportGenerator::appendAbstract(std::string& out) {
    const std::size_t target = 500 + below(2501);
    const std::size_t start = out.size();
    while (out.size() - start < target) {
        appendWords(out, 60, 200);
        const std::size_t pick = below(100);
        if (pick < 8) {
            out += " \"quoted phrase\"";
        } else if (pick < 12) {
            out +=
                " at 100\xB0"
                "C";  // a degree sign inside a value
        } else if (pick < 16) {
            out +=
                " \x93"
                "curly\x94 \x96 it\x92s";
        }
        out += ". ";
        if (chance(10)) out += "\r\n";  // paragraph break
    }
}

void ExportGenerator::appendRecord(std::string& out) {
    // 1 Reference Type: the reference types of the default popup list
    const std::vector<std::string>& types = defaultPopupWords(1);
    out += types[below(types.size())];
    out += '\t';
    appendAuthors(out);  // 2 Author
    out += '\t';
    out += std::to_string(1980 + below(31));  // 3 Year
    out += '\t';
    appendWords(out, 30, 180);  // 4 Title
    if (chance(10)) out += ": the \"long\" view";
    out += '\t';
    if (chance(70)) appendWords(out, 15, 60);  // 5 Secondary Title
    out += '\t';
    if (chance(30)) appendAuthors(out);  // 6 Secondary Author
    out += '\t';
    out += kPlaces[below(kPlaces.size())];  // 7 Place Published
    out += '\t';
    out += kPublishers[below(kPublishers.size())];  // 8 Publisher
    out += '\t';
    out += std::to_string(1 + below(80));  // 9 Volume
    out += '\t';
    out += std::to_string(1 + below(12));  // 10 Number
    out += '\t';
    const std::size_t firstPage = 1 + below(600);
    out += std::to_string(firstPage) + "-" + std::to_string(firstPage + 5 + below(40));  // 11
    out += '\t';
    if (chance(50)) out += "DS 644 .A5 " + std::to_string(1990 + below(20));  // 12 Call Number
    out += '\t';
    const std::size_t keywords = below(5);  // 13 Keywords, one per line
    for (std::size_t i = 0; i < keywords; ++i) {
        if (i > 0) out += "\r\n";
        out += kWords[below(kWords.size())];
    }
    out += '\t';
    appendAbstract(out);  // 14 Abstract
    out += '\t';
    if (chance(40)) appendWords(out, 10, 120);  // 15 Notes
    for (int field = 16; field <= 31; ++field) {
        out += '\t';
        if (field == 20 && chance(30)) out += "March " + std::to_string(1 + below(28));
        if (field == 24 && chance(40)) out += "0-8014-" + std::to_string(1000 + below(9000)) + "-X";
        if (field == 27 && chance(30))
            out += "http://example.org/ref/" + std::to_string(next() % 100000);
        if (field == 28 && chance(10)) appendWords(out, 5, 30);
    }
    out += "\xB0\r\n";
}

std::string generateExport(std::size_t approxBytes, unsigned seed) {
    ExportGenerator generator(seed);
    std::string out;
    out.reserve(approxBytes + 8192);
    while (out.size() < approxBytes) generator.appendRecord(out);
    return out;
}

bool writeExportFile(const std::string& path, std::size_t approxBytes, unsigned seed) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    ExportGenerator generator(seed);
    std::string block;
    std::size_t written = 0;
    bool ok = true;
    while (ok && written < approxBytes) {
        block.clear();
        while (block.size() < (std::size_t{1} << 20) && written + block.size() < approxBytes)
            generator.appendRecord(block);
        ok = std::fwrite(block.data(), 1, block.size(), file) == block.size();
        written += block.size();
    }
    return std::fclose(file) == 0 && ok;
}

}  // namespace rq::bench
