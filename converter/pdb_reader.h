#pragma once
// Reads the byte image of a Palm record database. Offsets must lie inside the file and must not
// decrease; every block runs to the start of the next one. Anything else is a FormatError.

#include <string_view>

#include "converter/pdb_database.h"

namespace rq::jfile {

// Header and record list only; records and blocks are views into `bytes`, which must outlive
// the result. Lets a reader walk a large database one record at a time.
struct PdbView {
    PdbDatabase header;  // records and blocks left empty
    std::string_view appInfo;
    std::string_view sortInfo;
    struct Entry {
        std::uint8_t attributes;
        std::uint32_t uniqueId;
        std::string_view data;
    };
    std::vector<Entry> records;
};

PdbView viewPdb(std::string_view bytes);
PdbDatabase readPdb(std::string_view bytes);

}  // namespace rq::jfile
