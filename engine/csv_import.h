// SPDX-License-Identifier: MIT
#pragma once
// The CSV reader and the EndNote tab-delimited import writer: reads the comma-separated file the
// converter wrote from a JFile database, maps its columns by header name onto the catalogue's
// fields and writes "*GENERIC", the line of EndNote names and one line of 31 values per record.
//
// Lines are split by base/csv_line.h under the import's rules (kImportCsvRules), which tolerate
// beyond the converter's own format (every value quoted, quotes doubled, single commas, CR LF):
// - blanks (bytes 0x01 to 0x20) around values and around the line;
// - unquoted values, which run to the next comma or the line end, blanks at both ends dropped;
// - a quoted value followed directly by the next value, without a comma;
// - a quote that is never closed: the value is the rest of the line less its last byte;
// - a zero byte, which ends the line's text;
// - a line with fewer values than the header: the missing values are empty;
// - blank lines, which are skipped (they are not records);
// - header names in any letter case.
// The header may have at most kMaxColumns columns (the column map's rows); columns beyond that
// match no field and their values are dropped, like the values of columns the header lacks.
//
// Each file's import takes its buffers (a line, its values, one value as written) and its
// column map once, for itself; nothing is shared with other readers.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "engine/host_services.h"
#include "engine/import_tables.h"
#include "engine/output_file.h"

namespace rq {

inline constexpr std::size_t kHeaderLineLimit = 31999;  // bytes, its line end included
inline constexpr std::size_t kRecordLineLimit = 31998;
inline constexpr long kImportRecordLimit = 10000;
inline constexpr int kMaxColumns = ColumnMap::kRows - 1;

struct ImportResult {
    int records = 0;      // written to the import file; 0 when nothing could be started
    bool failed = false;  // the user was told of an error; the import file is not whole
    bool operator==(const ImportResult&) const = default;
};

// Converts the CSV at `csvPath` into the import file at `importPath`. Every failure is told to
// the user here, through `host`; `out` writes the import file.
ImportResult csvToImport(HostServices& host, OutputFile& out, const std::string& csvPath,
                         const std::string& importPath);
// The same from a CSV already open (standard input); `csvName` names it in messages.
ImportResult csvToImport(HostServices& host, OutputFile& out, std::FILE* csv,
                         const std::string& csvName, const std::string& importPath);

// The values of one line. The text ends at its first zero byte.
void splitCsvLine(std::string_view text, std::vector<std::string>& values);
std::vector<std::string> splitCsvLine(std::string_view text);

// Fills the column map for the header values and prepares the catalogue values for a new file.
// Returns the number of header values.
int buildColumnMap(ColumnMap& map, CatalogueValues& catalogue,
                   const std::vector<std::string>& headerValues);

// "*GENERIC" and the line of EndNote names.
void writeImportHeader(OutputFile& out);

}  // namespace rq
