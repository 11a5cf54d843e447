// SPDX-License-Identifier: MIT
// The converter's conversion-info reader. Info it accepts for as many columns as a CSV header
// names must reach the database as given: the fields' types and widths, the data width, the
// first column and the structure lock, read back from the database the converter wrote.

#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "converter/ifo_reader.h"
#include "converter/jfile_reader.h"
#include "fuzz/converter_support.h"

using namespace rq;
using namespace rq::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = asText(data, size);
    jfile::IfoInfo info;
    try {
        info = jfile::readIfo(input);
    } catch (const FormatError&) {
        return 0;
    }
    for (const auto& [column, items] : info.popupLists) RQ_FUZZ_CHECK(column < 52);

    const std::size_t columns = info.types.size();
    if (columns == 0 || columns > jfile::kMaxFields || info.widths.size() != columns) return 0;
    std::string csv;
    for (std::size_t i = 0; i < columns; ++i)
        csv += (i ? ",\"f" : "\"f") + std::to_string(i) + "\"";
    csv += "\r\n\"x\"\r\n";
    writeFile(scratchPath("in.csv"), csv);
    writeFile(scratchPath("in.ifo"), input);
    const std::string pdb = scratchPath("out.pdb");
    if (!runConverter({"1", scratchPath("in.csv"), pdb, "Fuzz", scratchPath("in.ifo")})) return 0;

    const jfile::JFileDatabase db = jfile::readJFile(readFile(pdb));
    RQ_FUZZ_CHECK(db.fields.size() == columns);
    for (std::size_t i = 0; i < columns; ++i) {
        RQ_FUZZ_CHECK(db.fields[i].type == info.types[i]);
        RQ_FUZZ_CHECK(db.fields[i].columnWidth == info.widths[i]);
    }
    RQ_FUZZ_CHECK(db.showDataWidth == info.dataWidth);
    RQ_FUZZ_CHECK(db.firstColumnToShow == info.firstColumn);
    RQ_FUZZ_CHECK(db.structureLocked == ((info.lockFlags & jfile::kFlagsStructLock) != 0));
    RQ_FUZZ_CHECK(db.records.size() == 1);
    return 0;
}
