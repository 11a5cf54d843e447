#pragma once
// The CSV reader and the EndNote tab-delimited import writer: reads the comma-separated file the
// converter wrote from a JFile database, maps its columns by header name onto the catalogue's
// fields and writes "*GENERIC", the line of EndNote names and one line of 31 values per record.
//
// What the reader tolerates beyond the converter's own format (every value quoted, quotes
// doubled, single commas, CR LF):
// - blanks (bytes 0x01 to 0x20) around values and around the line;
// - unquoted values, which run to the next comma or the line end, blanks at both ends dropped;
// - a quoted value followed directly by the next value, without a comma;
// - a quote that is never closed: the value is the rest of the line less its last byte;
// - a line with fewer values than the header: the missing values are empty;
// - blank lines, which are skipped (they are not records);
// - header names in any letter case.
// The header may have at most kMaxColumns columns (the column map's rows); columns beyond that
// match no field and their values are dropped, like the values of columns the header lacks.

#include <string>
#include <string_view>
#include <vector>

#include "engine/context.h"

namespace rq {

inline constexpr std::size_t kHeaderLineLimit = 31999;  // bytes, its line end included
inline constexpr std::size_t kRecordLineLimit = 31998;
inline constexpr long kImportRecordLimit = 10000;
inline constexpr int kMaxColumns = ColumnMap::kRows - 1;

// Converts the CSV into the import file at ctx.job.importFile. Returns the number of records
// written; 0 when nothing could be started. Every failure is told to the user here.
int csvToImport(ConversionContext& ctx, const std::string& csvPath);

// The values of one line. The text ends at its first zero byte.
void splitCsvLine(std::string_view text, std::vector<std::string>& values);
std::vector<std::string> splitCsvLine(std::string_view text);

// Fills the column map for the header values and prepares the catalogue values for a new file.
// Returns the number of header values.
int buildColumnMap(ConversionContext& ctx, const std::vector<std::string>& headerValues);

void writeImportHeader(ConversionContext& ctx);
void writeImportRecord(ConversionContext& ctx, const std::vector<std::string>& values, int h);

}  // namespace rq
