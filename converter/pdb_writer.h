#pragma once
// Writes the byte image of a Palm record database: header, record list, two zero bytes, the
// AppInfo and SortInfo blocks, then the records back to back with nothing after the last one.

#include <string>

#include "converter/pdb_database.h"

namespace rq::jfile {

// Throws FormatError when the database breaks a Palm limit (name, record count, record size).
std::string writePdb(const PdbDatabase& db);

}  // namespace rq::jfile
