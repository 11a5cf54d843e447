// SPDX-License-Identifier: MIT
// The converter's Palm database reader. A database it reads whole must be the same database
// after it has been written again, and the record-by-record view must agree with it.

#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "converter/pdb_reader.h"
#include "converter/pdb_writer.h"
#include "fuzz/fuzz_support.h"

using namespace rq;
using namespace rq::fuzz;

namespace {

bool sameDatabase(const jfile::PdbDatabase& a, const jfile::PdbDatabase& b) {
    if (a.records.size() != b.records.size()) return false;
    for (std::size_t i = 0; i < a.records.size(); ++i) {
        const auto& x = a.records[i];
        const auto& y = b.records[i];
        if (x.attributes != y.attributes || x.uniqueId != y.uniqueId || x.data != y.data)
            return false;
    }
    return a.name == b.name && a.attributes == b.attributes && a.version == b.version &&
           a.creationDate == b.creationDate && a.modificationDate == b.modificationDate &&
           a.lastBackupDate == b.lastBackupDate && a.modificationNumber == b.modificationNumber &&
           a.type == b.type && a.creator == b.creator && a.uniqueIdSeed == b.uniqueIdSeed &&
           a.appInfo == b.appInfo && a.sortInfo == b.sortInfo;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = asText(data, size);
    jfile::PdbDatabase db;
    try {
        db = jfile::readPdb(input);
    } catch (const FormatError&) {
        return 0;
    }
    const jfile::PdbView view = jfile::viewPdb(input);
    RQ_FUZZ_CHECK(view.records.size() == db.records.size());
    RQ_FUZZ_CHECK(view.appInfo == db.appInfo && view.sortInfo == db.sortInfo);

    std::string written;
    try {
        written = jfile::writePdb(db);
    } catch (const FormatError&) {
        return 0;  // a database beyond a Palm limit is read but never written
    }
    RQ_FUZZ_CHECK(sameDatabase(jfile::readPdb(written), db));
    return 0;
}
