// SPDX-License-Identifier: MIT
// The converter's CSV reader, through the whole converter: the input is the CSV of a run in
// direction 1, with conversion info made to fit its header. A database the converter wrote must
// convert back (direction 2) to the same CSV: the values as read, one line per line of the input,
// padded to the header's width, in the converter's own quoting.

#include <cstdint>
#include <sstream>
#include <string>

#include "base/bytes.h"
#include "converter/csv_reader.h"
#include "converter/csv_writer.h"
#include "fuzz/converter_support.h"

namespace {

using namespace rq;
using namespace rq::fuzz;

// The CSV that direction 2 must give back, or nothing when the input is not a CSV the reader
// takes (a zero byte, a quote left open).
std::optional<std::string> expectedCsv(const std::string& input, std::size_t& columns) {
    std::istringstream in(input);
    jfile::CsvReader reader(in);
    std::vector<std::string> values;
    std::string text;
    try {
        if (!reader.readLine(values)) return std::nullopt;
        columns = values.size();
        jfile::appendCsvLine(text, values);
        while (reader.readLine(values)) {
            if (values.size() < columns) values.resize(columns);
            jfile::appendCsvLine(text, values);
        }
    } catch (const FormatError&) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(asText(data, size));
    std::size_t columns = 0;
    const auto expected = expectedCsv(input, columns);

    // Types cycle through string, popup and multiple popup, starting where the size says.
    std::vector<int> types;
    for (std::size_t i = 0; i < std::max<std::size_t>(columns, 1); ++i)
        types.push_back(std::array{1, 64, 81}[(i + size) % 3]);
    const std::string csv = scratchPath("in.csv");
    const std::string ifo = scratchPath("in.ifo");
    const std::string pdb = scratchPath("out.pdb");
    writeFile(csv, input);
    writeFile(ifo, ifoFor(types));
    if (!runConverter({"1", csv, pdb, "Fuzz", ifo})) return 0;

    // Only a CSV the reader takes can give a database.
    RQ_FUZZ_CHECK(expected.has_value());
    const std::string back = scratchPath("back.csv");
    RQ_FUZZ_CHECK(runConverter({"2", pdb, back}));
    RQ_FUZZ_CHECK(readFile(back) == *expected);
    return 0;
}
