// SPDX-License-Identifier: MIT
// The EndNote export reader and CSV writer under a strategy drawn from the input's first 16
// bytes: which fields are selected and how long each may be. Whatever the export holds, the CSV
// must be what the converter and our own CSV reader expect: CR LF lines, the header of the
// selected fields, one line per record mark, every value quoted and cut to its field's length,
// no line end or tab inside a value, and at most one value per selected field, read back alike
// by both CSV readers. (A 0xB0 that no line end follows is a degree sign, data like any other.)

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "converter/csv_reader.h"
#include "engine/csv_import.h"
#include "engine/export_csv.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace rq;
using namespace rq::fuzz;

constexpr std::size_t kStrategyBytes = 16;
// Lengths worth trying: the default, none at all, cuts inside a doubled quote, and a negative
// number from a hand-edited strategy file.
constexpr std::int32_t kLengths[8] = {kDefaultMaxLength, 0, 1, 2, 5, 17, 255, -3};

void setStrategy(Strategy& s, std::string_view bytes) {
    if (bytes.size() < kStrategyBytes) {  // short inputs: the factory selection
        for (int n = 1; n <= kFieldCount; ++n) {
            s.slots[n].selected = FieldCatalogue[n].selected;
            s.slots[n].maxLength = kDefaultMaxLength;
        }
        return;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    for (int n = 1; n <= kFieldCount; ++n) {
        const std::size_t bit = static_cast<std::size_t>(n - 1);
        s.slots[n].selected = ((byte(bit / 8) >> (bit % 8)) & 1) != 0;
        const std::size_t at = 32 + 3 * bit;  // three bits a field after the 32 selection bits
        const unsigned code =
            ((byte(at / 8) | (byte(std::min<std::size_t>(at / 8 + 1, 15)) << 8)) >> (at % 8)) & 7;
        s.slots[n].maxLength = kLengths[code];
        s.slots[n].fieldType = n % 3 == 0 ? NormalPopup : String;
    }
}

// The record marks of the export: a 0xB0 right before CR, LF or the end of the input (end of file
// or 0x1A).
long recordMarks(std::string_view text) {
    text = text.substr(0, text.find('\x1A'));
    long marks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\xB0') continue;
        if (i + 1 == text.size() || text[i + 1] == '\n' || text[i + 1] == '\r') ++marks;
    }
    return marks;
}

// The CSV line of one record text as the rules give it, byte by byte: pieces between tabs, empty
// ones dropped, the k-th piece the value of field k; a selected field's value cut to its length,
// one byte less where the cut would split a doubled quote.
std::string modelLine(const Strategy& s, const std::string& text, std::size_t selectedCount) {
    std::string line;
    std::size_t written = 0;
    int field = 0;
    std::size_t start = 0;
    while (start <= text.size() && field < kFieldCount) {
        std::size_t end = text.find('\t', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) {
            const FieldSlot& slot = s.slots[++field];
            if (slot.selected) {
                std::string value = text.substr(start, end - start);
                const std::size_t limit = static_cast<std::size_t>(std::max(slot.maxLength, 0));
                if (value.size() > limit) {
                    std::size_t quotes = 0;  // the quotes that the cut value ends with
                    while (quotes < limit && value[limit - 1 - quotes] == '"') ++quotes;
                    value.resize(quotes % 2 == 1 ? limit - 1 : limit);
                }
                line += '"' + value + '"';
                if (++written < selectedCount) line += ',';
            }
        }
        start = end + 1;
    }
    return line + "\r\n";
}

// The whole CSV as the rules give it: CRs dropped (or, in an export with CRs and no LF, each CR
// a line end), 0x1A ends the input, a tab after a tab or at the start of a record gets a space
// before it, a line end is 0x85 inside a record and dropped between records, a quote is doubled,
// a record stops the reading at 32000 bytes of text.
std::string modelCsv(const Strategy& s, std::string_view input, const std::string& header,
                     std::size_t selectedCount) {
    std::string csv = header + "\r\n";
    input = input.substr(0, input.find('\x1A'));
    const bool classicMac =
        input.find('\n') == std::string_view::npos && input.find('\r') != std::string_view::npos;
    std::string text;
    bool inRecord = true;
    for (std::size_t i = 0; i < input.size(); ++i) {
        const char c = classicMac && input[i] == '\r' ? '\n' : input[i];
        if (c == '\xB0') {
            const std::size_t next = i + 1;
            if (next == input.size() || input[next] == '\n' || input[next] == '\r') {
                if (!text.empty() && text.back() == '\t') text += ' ';
                csv += modelLine(s, text, selectedCount);
                text.clear();
                inRecord = false;
                continue;
            }
        }
        if (c == '\r') continue;
        if (c == '\t') {
            if (text.empty() || text.back() == '\t') text += ' ';
            text += '\t';
        } else if (c == '\n') {
            if (inRecord) text += '\x85';
        } else if (c == '"') {
            text += "\"\"";
        } else {
            text += c;
        }
        if (c != '\n') inRecord = true;
        if (text.size() >= kExportRecordLimit) break;
    }
    return csv;
}

std::size_t escapedLength(const std::string& value) {
    return value.size() + static_cast<std::size_t>(std::count(value.begin(), value.end(), '"'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Engine& e = engine();
    ConversionContext& ctx = e.ctx;
    UserSettings& settings = e.settings;
    OutputFile& output = e.output;
    const std::string_view input = asText(data, size);
    setStrategy(settings.strategy, input);
    const std::string_view exportBytes =
        input.size() < kStrategyBytes ? input : input.substr(kStrategyBytes);

    const std::string source = scratchPath("export.txt");
    writeFile(source, exportBytes);
    const std::string csvPath = scratchPath("export.csv");
    const ExportResult exported = exportToCsv(settings.strategy, ctx.host, output, source, csvPath);
    const int records = exported.records;

    std::vector<int> selected;  // field numbers in the order their values stand
    std::string header;
    for (int n = 1; n <= kFieldCount; ++n) {
        if (!settings.strategy.slots[n].selected) continue;
        if (!selected.empty()) header += ',';
        header += '"';
        header += jfileName(n);
        header += '"';
        selected.push_back(n);
    }

    const std::string csv = readFile(csvPath);
    const auto lines = crLfLines(csv);
    RQ_FUZZ_CHECK(lines.has_value());
    RQ_FUZZ_CHECK(!lines->empty() && (*lines)[0] == header);
    RQ_FUZZ_CHECK(records >= 0 && lines->size() == static_cast<std::size_t>(records) + 1);

    // Every mark is a record, unless reading stopped early (a record too long, with a message),
    // and the whole CSV is the one the rules give.
    RQ_FUZZ_CHECK(records <= recordMarks(exportBytes));
    if (e.host.messages.empty()) RQ_FUZZ_CHECK(records == recordMarks(exportBytes));
    RQ_FUZZ_CHECK(csv == modelCsv(settings.strategy, exportBytes, header, selected.size()));

    long truncatedLines = 0;
    for (const std::string& line : e.host.log)
        if (line.rfind("Truncated field(s) in Record ", 0) == 0) ++truncatedLines;
    RQ_FUZZ_CHECK(exported.truncatedRecords == truncatedLines);
    RQ_FUZZ_CHECK(exported.truncatedRecords <= records);

    // The plain byte-wise reader gives the same file, counts, log and messages.
    const auto log = std::move(e.host.log);
    const auto messages = std::move(e.host.messages);
    e.host.log.clear();
    e.host.messages.clear();
    const std::string plainCsvPath = scratchPath("export-plain.csv");
    RQ_FUZZ_CHECK(exportToCsvByteWise(settings.strategy, ctx.host, output, source, plainCsvPath) ==
                  exported);
    RQ_FUZZ_CHECK(readFile(plainCsvPath) == csv);
    RQ_FUZZ_CHECK(e.host.log == log && e.host.messages == messages);

    std::vector<std::string> engineValues;
    std::vector<std::string> converterValues;
    for (std::size_t i = 1; i < lines->size(); ++i) {
        const std::string_view line = (*lines)[i];
        const auto values = splitStrictCsv(line);
        RQ_FUZZ_CHECK(values.has_value());
        RQ_FUZZ_CHECK(values->size() <= selected.size());
        for (std::size_t k = 0; k < values->size(); ++k) {
            const std::string& v = (*values)[k];
            RQ_FUZZ_CHECK(v.find_first_of("\r\n\t") == std::string::npos);
            const std::int32_t limit = settings.strategy.slots[selected[k]].maxLength;
            RQ_FUZZ_CHECK(escapedLength(v) <= static_cast<std::size_t>(std::max(limit, 0)));
        }
        // A zero byte is refused by the converter and ends the text for our reader; the values
        // of any other line must reach both exactly as written.
        if (line.find('\0') != std::string_view::npos) continue;
        splitCsvLine(std::string(line) + "\r\n", engineValues);
        RQ_FUZZ_CHECK(engineValues == *values);
        jfile::splitCsvLine(std::string(line) + "\r", converterValues);
        RQ_FUZZ_CHECK(converterValues == *values);
    }
    return 0;
}
