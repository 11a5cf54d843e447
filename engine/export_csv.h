// SPDX-License-Identifier: MIT
#pragma once
// The EndNote export reader and the CSV writer for the converter: an export in EndNote's
// tab-delimited style (records ended by the byte 0xB0) becomes a CSV of the selected fields,
// each value quoted and cut to its field's maximum length.
//
// Each export takes its input buffer and record text once, for itself; its reader calls the
// host's event pump through a BytePump of its own.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/host_services.h"
#include "engine/output_file.h"
#include "engine/strategy.h"

namespace rq {

// The record mark that ends each record of an export, and the byte that stands for a line end
// inside a value of the CSV.
inline constexpr unsigned char kRecordMark = 0xB0;
inline constexpr unsigned char kLineEndMark = 0x85;
// The longest record text the reader takes, escaped (quotes doubled); a longer record ends the
// export.
inline constexpr std::size_t kExportRecordLimit = 32000;

// What an export gave. No records when either file could not be opened or the CSV could not be
// written; the user has been told why.
struct ExportResult {
    int records = 0;           // records written to the CSV
    int truncatedRecords = 0;  // of those, records with a cut value (each one logged)
    std::string failure;       // "PATH: reason" when the export could not be read or written
    // The counts; the words of a failure are the user's, not part of the result's value.
    bool operator==(const ExportResult& other) const {
        return records == other.records && truncatedRecords == other.truncatedRecords;
    }
};

// Reads the export at `sourcePath` and writes the CSV at `csvPath`.
// The strategy selects and cuts the fields (and its popup fields get their letters afresh);
// `host` hears of the records and failures; `out` writes the CSV.
ExportResult exportToCsv(Strategy& strategy, HostServices& host, OutputFile& out,
                         const std::string& sourcePath, const std::string& csvPath);

// The same from an export already open (standard input); `sourceName` names it in messages.
ExportResult exportToCsv(Strategy& strategy, HostServices& host, OutputFile& out, std::FILE* source,
                         const std::string& sourceName, const std::string& csvPath);

// The same conversion with every byte taken one at a time by the plain reading rules: slow, but
// plainly right. Gives the same files, counts and messages as exportToCsv; tests compare them.
ExportResult exportToCsvByteWise(Strategy& strategy, HostServices& host, OutputFile& out,
                                 const std::string& sourcePath, const std::string& csvPath);

// The CSV's header line: the JFile names of the selected fields, each quoted. Gives the popup
// fields their letters afresh.
void writeCsvHeader(Strategy& strategy, OutputFile& out);

// Writes one record's text (its values separated by tabs, escaped) as one CSV line of the fields
// `strategy` selects, each cut to its field's maximum length. True when at least one value was
// cut.
bool writeCsvRecord(OutputFile& out, const Strategy& strategy, std::string_view record);

}  // namespace rq
