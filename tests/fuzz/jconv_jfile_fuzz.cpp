// SPDX-License-Identifier: MIT
// The converter's JFile reader (JFile 5, 4 and 2/3). Every record of a database whose header
// reads is decoded or refused with a FormatError; a database read whole and written again as
// JFile 5 must read back with the same fields, settings and records.

#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "converter/jfile_reader.h"
#include "converter/jfile_writer.h"
#include "fuzz/fuzz_support.h"

using namespace rq;
using namespace rq::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = asText(data, size);
    try {
        const jfile::JFileReader reader(input);
        for (std::size_t i = 0; i < reader.recordCount(); ++i) {
            reader.isDeleted(i);
            try {
                RQ_FUZZ_CHECK(reader.record(i).size() <= reader.layout().fields.size());
            } catch (const FormatError&) {
            }
        }
    } catch (const FormatError&) {
        return 0;
    }

    jfile::JFileDatabase db;
    std::string written;
    try {
        db = jfile::readJFile(input);
        written = jfile::writeJFile5(db, 3'900'000'000u);
    } catch (const FormatError&) {
        return 0;
    }
    const jfile::JFileDatabase back = jfile::readJFile(written);
    RQ_FUZZ_CHECK(back.name == db.name && back.fields.size() == db.fields.size());
    for (std::size_t i = 0; i < db.fields.size(); ++i) {
        RQ_FUZZ_CHECK(back.fields[i].name == db.fields[i].name);
        RQ_FUZZ_CHECK(back.fields[i].type == db.fields[i].type);
        RQ_FUZZ_CHECK(back.fields[i].columnWidth == db.fields[i].columnWidth);
    }
    RQ_FUZZ_CHECK(back.structureLocked == db.structureLocked);
    RQ_FUZZ_CHECK(back.showDataWidth == db.showDataWidth);
    RQ_FUZZ_CHECK(back.firstColumnToShow == db.firstColumnToShow);
    RQ_FUZZ_CHECK(back.records == db.records);
    return 0;
}
