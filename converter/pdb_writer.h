// SPDX-License-Identifier: MIT
#pragma once
// Writes the byte image of a Palm record database: header, record list, two zero bytes, the
// AppInfo and SortInfo blocks, then the records back to back with nothing after the last one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/pdb_database.h"

namespace rq::jfile {

// Throws FormatError when the database breaks a Palm limit (name, record count, record size).
std::string writePdb(const PdbDatabase& db);

// What the record list says of one record: a writer that streams its records gives their sizes
// first, then writes each record's bytes after the head, in the same order.
struct PdbEntry {
    std::uint8_t attributes = 0;
    std::uint32_t uniqueId = 0;
    std::size_t size = 0;
};

// Everything before the first record: header, record list, gap, AppInfo and SortInfo blocks
// (db.records is not looked at). The same checks as writePdb.
std::string writePdbHead(const PdbDatabase& db, const std::vector<PdbEntry>& entries);

}  // namespace rq::jfile
