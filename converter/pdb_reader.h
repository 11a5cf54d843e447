// SPDX-License-Identifier: MIT
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
        std::string_view data;  // empty when the record lies past the bytes given
        std::size_t offset;
        std::size_t size;
    };
    std::vector<Entry> records;
};

PdbView viewPdb(std::string_view bytes);
// The same from the first bytes of a file of `fileSize` bytes: they must run at least to the
// first record (or to the end of the file), so that header, list and blocks are all in them.
// Records past them are left for the caller to read at their offset.
PdbView viewPdb(std::string_view head, std::size_t fileSize);
PdbDatabase readPdb(std::string_view bytes);

}  // namespace rq::jfile
