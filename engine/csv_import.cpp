// SPDX-License-Identifier: MIT
#include "engine/csv_import.h"
#include "base/native_path.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/csv_line.h"
#include "base/files.h"
#include "base/text.h"
#include "engine/catalogue.h"

namespace rq {

namespace {

// The import's own buffers, taken once per file: one line of the CSV, the values split out of
// it, and one value as written.
constexpr std::size_t kLineBufferSize = 32000;
constexpr std::size_t kValueBufferSize = 32000;

// The first field whose JFile name matches, 0 for none.
int fieldForHeader(std::string_view name) {
    if (name.empty()) return 0;
    for (int n = 1; n <= kFieldCount; ++n) {
        if (equalsIgnoringAsciiCase(name, jfileName(n))) return n;
    }
    return 0;
}

// Reads raw lines, each up to and including its LF, with a cap on the bytes taken at once.
class LineReader {
  public:
    enum class Result { Line, End, Error };

    explicit LineReader(std::FILE* file) : file_(file), chunk_(new char[kChunkSize]) {}

    Result read(char* buffer, std::size_t limit, std::size_t& length) {
        length = 0;
        while (length < limit) {
            if (pos_ == end_ && !fill()) break;
            const std::size_t take = std::min(end_ - pos_, limit - length);
            const char* from = chunk_.get() + pos_;
            const void* lf = std::memchr(from, '\n', take);
            const std::size_t n = lf ? static_cast<const char*>(lf) - from + 1 : take;
            std::memcpy(buffer + length, from, n);
            length += n;
            pos_ += n;
            if (lf) return Result::Line;
        }
        if (length > 0) return Result::Line;
        return error_ ? Result::Error : Result::End;
    }

    // True when no byte follows.
    bool atEnd() { return pos_ == end_ && !fill(); }

    void skipRestOfLine() {
        for (;;) {
            if (pos_ == end_ && !fill()) return;
            const char* from = chunk_.get() + pos_;
            const void* lf = std::memchr(from, '\n', end_ - pos_);
            if (lf) {
                pos_ += static_cast<const char*>(lf) - from + 1;
                return;
            }
            pos_ = end_;
        }
    }

  private:
    static constexpr std::size_t kChunkSize = 1 << 16;

    bool fill() {
        if (error_ || eof_) return false;
        const std::size_t n = std::fread(chunk_.get(), 1, kChunkSize, file_);
        if (n == 0) {
            if (std::ferror(file_)) {
                error_ = true;
            } else {
                eof_ = true;
            }
            return false;
        }
        pos_ = 0;
        end_ = n;
        return true;
    }

    std::FILE* file_;
    std::unique_ptr<char[]> chunk_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool error_ = false;
    bool eof_ = false;
};

// For each field, the last column of the header that names it (later columns win), 0 for none.
using FieldColumns = std::array<int, kFieldCount + 1>;

FieldColumns fieldColumns(const ColumnMap& columnMap, int h) {
    FieldColumns columns{};
    const auto& map = columnMap.cells;
    for (int i = 1; i <= std::min(h, kMaxColumns); ++i) {
        const std::string& cell = map[i][2];
        int n = 0;
        std::from_chars(cell.data(), cell.data() + cell.size(), n);
        if (n >= 1 && n <= kFieldCount) columns[n] = i;
    }
    return columns;
}

// One record line: 31 values, CR and LF as the line-end mark, tabs as spaces. A field that no
// column names is one space; a column the line has no value for gives an empty value.
void writeRecord(OutputFile& out, char* buffer, const FieldColumns& columns,
                 const std::vector<std::string_view>& values) {
    const std::size_t given = values.size();
    for (int n = 1; n <= kFieldCount; ++n) {
        const int column = columns[n];
        const std::string_view value = column == 0 ? std::string_view(" ")
                                       : static_cast<std::size_t>(column) <= given
                                           ? values[column - 1]
                                           : std::string_view();
        const std::size_t size = std::min(value.size(), kValueBufferSize);
        for (std::size_t k = 0; k < size; ++k) {
            const char c = value[k];
            buffer[k] = (c == '\r' || c == '\n') ? '\x85' : c == '\t' ? ' ' : c;
        }
        out.write(buffer, size);
        if (n < kFieldCount) out.put('\t');
    }
    out.endLine();
}

}  // namespace

void splitCsvLine(std::string_view text, std::vector<std::string>& values) {
    std::string store(text.size(), '\0');
    std::vector<std::string_view> views;
    splitCsvViews(text, store.data(), views, kImportCsvRules);
    values.assign(views.begin(), views.end());
}

std::vector<std::string> splitCsvLine(std::string_view text) {
    std::vector<std::string> values;
    splitCsvLine(text, values);
    return values;
}

int buildColumnMap(ColumnMap& columnMap, CatalogueValues& catalogue,
                   const std::vector<std::string>& headerValues) {
    auto& rows = catalogue.cells;
    for (int n = 1; n <= kFieldCount; ++n) {
        rows[n][1] = jfileName(n);
        rows[n][2] = endNoteName(n);
        rows[n][3] = " ";
    }
    const int h = static_cast<int>(headerValues.size());
    auto& map = columnMap.cells;
    for (int i = 1; i <= std::min(h, kMaxColumns); ++i) {
        map[i][1] = headerValues[i - 1];
        map[i][2] = std::to_string(fieldForHeader(headerValues[i - 1]));
    }
    return h;
}

void writeImportHeader(OutputFile& out) {
    out.writeLine("*GENERIC");
    for (int n = 1; n <= kFieldCount; ++n) {
        out.write(endNoteName(n));
        if (n < kFieldCount) out.put('\t');
    }
    out.endLine();
}

namespace {
// `given`: the CSV, already open; else it is opened from `csvPath`.
ImportResult importWith(HostServices& host, OutputFile& out, const std::string& csvPath,
                        std::FILE* given, const std::string& importPath) {
    bool failed = false;
    // The fixed texts stay; the file and the reason follow on a line of their own.
    const auto fail = [&](std::string_view text, const std::string& path,
                          const std::string& reason) {
        host.showMessage(MessageKind::Error, text, shownPath(path) + ": " + reason);
        failed = true;
    };
    UniqueFile opened;
    std::string problem;
    std::FILE* const csv = openInputFile(csvPath, given, opened, problem);
    if (csv == nullptr) {
        fail("Couldnt load csv File", csvPath, problem);
        return {0, true};
    }
    if (!out.open(importPath)) {
        fail("Couldnt open output output File", importPath, out.failureReason());
        return {0, true};
    }
    OutputFileGuard guard(out);

    // Write errors would otherwise count records that never reached the disk.
    auto finish = [&](int records) {
        if (!out.close()) {
            fail("Couldnt write output File", importPath, out.failureReason());
            return ImportResult{0, true};
        }
        return ImportResult{records, failed};
    };

    // A CSV that cannot be read to its end gives no import file: the earlier one stays.
    const auto readFailed = [&] {
        fail("Couldnt read csv file", csvPath, "read error");
        out.discard();
        return ImportResult{0, true};
    };

    writeImportHeader(out);
    int c = 0;
    host.pumpEvents();

    LineReader reader(csv);
    const std::unique_ptr<char[]> lineStore(new char[kLineBufferSize]);
    char* const line = lineStore.get();
    std::size_t length = 0;
    LineReader::Result result = reader.read(line, kHeaderLineLimit, length);
    if (result != LineReader::Result::Line) {
        if (result == LineReader::Result::Error) return readFailed();
        return finish(0);
    }
    // Names beyond the header's limit could not be mapped anyway; they must not become a record.
    if (length == kHeaderLineLimit && line[length - 1] != '\n' && !reader.atEnd()) {
        reader.skipRestOfLine();
    }
    std::vector<std::string> headerValues;
    splitCsvLine(std::string_view(line, length), headerValues);
    // On the heap: clang 14's front end crashes on these tables as locals of this function when
    // it builds with the sanitizers (the fuzz preset).
    const auto columnMap = std::make_unique<ColumnMap>();
    const auto catalogue = std::make_unique<CatalogueValues>();
    const int h = buildColumnMap(*columnMap, *catalogue, headerValues);
    // The map is read once per file; values are views into the line or into `store`, so a
    // record costs no allocation and no per-byte pass but the final translation.
    const FieldColumns columns = fieldColumns(*columnMap, h);
    const std::unique_ptr<char[]> store(new char[kLineBufferSize]);
    const std::unique_ptr<char[]> valueBuffer(new char[kValueBufferSize]);
    std::vector<std::string_view> values;
    values.reserve(ColumnMap::kRows);

    for (;;) {
        if (c == kImportRecordLimit) {
            host.showMessage(MessageKind::Information,
                             "Transfer Stopped too many records to transfer to Endnote");
            return finish(c);
        }
        host.pumpEvents();
        result = reader.read(line, kRecordLineLimit, length);
        if (result != LineReader::Result::Line) {
            if (result == LineReader::Result::Error) return readFailed();
            return finish(c);
        }
        // A full buffer without an LF is too long only when the line goes on.
        if (length == kRecordLineLimit && line[length - 1] != '\n' && !reader.atEnd()) {
            fail("Records of more than 32K Not supported", csvPath,
                 "record " + std::to_string(c + 1) +
                     " is too long; the records before it were written");
            return finish(c);
        }
        // Tabs need no replacing before the split: they are blanks to it like spaces, and
        // the writer turns those inside values into spaces.
        splitCsvViews(std::string_view(line, length), store.get(), values, kImportCsvRules);
        if (values.empty()) continue;  // a blank line is no record
        writeRecord(out, valueBuffer.get(), columns, values);
        ++c;
        host.recordReached(c);
    }
}

}  // namespace

ImportResult csvToImport(HostServices& host, OutputFile& out, const std::string& csvPath,
                         const std::string& importPath) {
    return importWith(host, out, csvPath, nullptr, importPath);
}

ImportResult csvToImport(HostServices& host, OutputFile& out, std::FILE* csv,
                         const std::string& csvName, const std::string& importPath) {
    return importWith(host, out, csvName, csv, importPath);
}

}  // namespace rq
