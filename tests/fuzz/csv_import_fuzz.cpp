// SPDX-License-Identifier: MIT
// The CSV reader and the EndNote import writer. The input is the CSV the converter wrote; the
// import file must be "*GENERIC", the 31 EndNote names, then one line per counted record of
// exactly 31 values (30 tabs), with no line end inside a value. The same bytes, cut into values
// at their line ends, written as the export writes them must split back into those values.

#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/csv_import.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace rq;
using namespace rq::fuzz;

std::string importNames() {
    std::string line;
    for (int n = 1; n <= kFieldCount; ++n) {
        line += endNoteName(n);
        if (n < kFieldCount) line += '\t';
    }
    return line;
}

// Each line of the input as one value (zero bytes dropped: they end a line's text), written
// quoted with quotes doubled, must come back unchanged.
void checkQuotedValuesSplitBack(std::string_view input) {
    std::vector<std::string> values(1);
    for (const char c : input) {
        if (c == '\n') {
            values.emplace_back();
        } else if (c != '\0') {
            values.back() += c;
        }
    }
    std::string line;
    for (const std::string& v : values) {
        if (!line.empty()) line += ',';
        line += '"';
        for (const char c : v) line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    line += "\r\n";
    RQ_FUZZ_CHECK(splitCsvLine(line) == values);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Engine& e = engine();
    ConversionContext& ctx = e.ctx;
    OutputFile& output = e.output;
    const std::string_view input = asText(data, size);
    const std::string csv = scratchPath("in.csv");
    writeFile(csv, input);
    const std::string importPath = scratchPath("import.txt");
    std::remove(importPath.c_str());
    const ImportResult result = csvToImport(ctx.host, output, csv, importPath);
    const int records = result.records;

    static const std::string names = importNames();
    const std::string text = readFile(importPath);
    const auto lines = crLfLines(text);
    RQ_FUZZ_CHECK(lines.has_value());
    RQ_FUZZ_CHECK(lines->size() >= 2 && (*lines)[0] == "*GENERIC" && (*lines)[1] == names);
    RQ_FUZZ_CHECK(records >= 0 && records <= kImportRecordLimit);
    RQ_FUZZ_CHECK(lines->size() == static_cast<std::size_t>(records) + 2);
    for (std::size_t i = 2; i < lines->size(); ++i) {
        const std::string_view line = (*lines)[i];
        RQ_FUZZ_CHECK(std::count(line.begin(), line.end(), '\t') == kFieldCount - 1);
        RQ_FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
    }

    checkQuotedValuesSplitBack(input);
    return 0;
}
