#include "engine/csv_import.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/catalogue.h"

namespace rq {

namespace {

bool isBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

char foldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldCase(x) == foldCase(y);
           });
}

// The first field whose JFile name matches, 0 for none.
int fieldForHeader(std::string_view name) {
    if (name.empty()) return 0;
    for (int n = 1; n <= kFieldCount; ++n) {
        if (equalsIgnoringCase(name, jfileName(n))) return n;
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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The text of a line ends at its first zero byte.
std::string_view lineText(const char* buffer, std::size_t length) {
    const void* zero = std::memchr(buffer, '\0', length);
    return {buffer,
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - buffer) : length};
}

}  // namespace

void splitCsvLine(std::string_view text, std::vector<std::string>& values) {
    values.clear();
    text = lineText(text.data(), text.size());
    const std::size_t n = text.size();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < n && isBlank(text[i])) ++i;
    };

    skipBlanks();
    while (i < n) {
        if (text[i] == '"') {
            ++i;
            std::string& value = values.emplace_back();
            bool closed = false;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        value += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed) {
                // The rest of the line less its last byte (the LF of the line end).
                if (!value.empty()) value.pop_back();
                break;
            }
        } else {
            // An unquoted value runs to the next comma; blanks at its ends are not part of it.
            const std::size_t start = i;
            while (i < n && text[i] != ',') ++i;
            std::size_t stop = i;
            while (stop > start && isBlank(text[stop - 1])) --stop;
            values.emplace_back(text.substr(start, stop - start));
        }
        skipBlanks();
        if (i < n && text[i] == ',') {
            ++i;
            skipBlanks();
        }
    }
}

std::vector<std::string> splitCsvLine(std::string_view text) {
    std::vector<std::string> values;
    splitCsvLine(text, values);
    return values;
}

int buildColumnMap(ConversionContext& ctx, const std::vector<std::string>& headerValues) {
    auto& rows = ctx.catalogueValues.cells;
    for (int n = 1; n <= kFieldCount; ++n) {
        rows[n][1] = jfileName(n);
        rows[n][2] = endNoteName(n);
        rows[n][3] = " ";
    }
    const int h = static_cast<int>(headerValues.size());
    auto& map = ctx.columnMap.cells;
    for (int i = 1; i <= std::min(h, kMaxColumns); ++i) {
        map[i][1] = headerValues[i - 1];
        map[i][2] = std::to_string(fieldForHeader(headerValues[i - 1]));
    }
    return h;
}

void writeImportHeader(ConversionContext& ctx) {
    OutputFile& out = ctx.outputFile;
    out.writeLine("*GENERIC");
    for (int n = 1; n <= kFieldCount; ++n) {
        out.write(endNoteName(n));
        if (n < kFieldCount) out.put('\t');
    }
    out.endLine();
}

void writeImportRecord(ConversionContext& ctx, const std::vector<std::string>& values, int h) {
    auto& rows = ctx.catalogueValues.cells;
    const auto& map = ctx.columnMap.cells;
    const int columns = std::min(h, kMaxColumns);
    const std::size_t given = values.size();
    for (int i = 1; i <= columns; ++i) {
        const std::string& cell = map[i][2];
        int n = 0;
        std::from_chars(cell.data(), cell.data() + cell.size(), n);
        if (n < 0 || n > kFieldCount) n = 0;
        // A column the line has no value for gets an empty one, never the last record's.
        if (static_cast<std::size_t>(i) <= given) {
            rows[n][3] = values[i - 1];
        } else {
            rows[n][3].clear();
        }
    }

    OutputFile& out = ctx.outputFile;
    char* buffer = ctx.valueBuffer.get();
    for (int n = 1; n <= kFieldCount; ++n) {
        const std::string& value = rows[n][3];
        const std::size_t size = std::min(value.size(), ConversionContext::kValueBufferSize);
        for (std::size_t k = 0; k < size; ++k) {
            const char c = value[k];
            buffer[k] = (c == '\r' || c == '\n') ? '\x85' : c == '\t' ? ' ' : c;
        }
        out.write(buffer, size);
        if (n < kFieldCount) out.put('\t');
    }
    out.endLine();
}

int csvToImport(ConversionContext& ctx, const std::string& csvPath) {
    HostServices& host = ctx.host;
    std::unique_ptr<std::FILE, FileCloser> csv(std::fopen(csvPath.c_str(), "rb"));
    if (!csv) {
        host.showMessage(MessageKind::Error, "Couldnt load csv File");
        return 0;
    }
    OutputFile& out = ctx.outputFile;
    if (!out.open(ctx.job.importFile)) {
        host.showMessage(MessageKind::Error, "Couldnt open output output File");
        return 0;
    }
    OutputFileGuard guard(out);

    // Write errors would otherwise count records that never reached the disk.
    auto finish = [&](int records) {
        if (!out.close()) {
            host.showMessage(MessageKind::Error, "Couldnt write output File " + ctx.job.importFile);
            return 0;
        }
        return records;
    };

    writeImportHeader(ctx);
    int c = 0;
    host.pumpEvents();

    LineReader reader(csv.get());
    char* line = ctx.lineBuffer.get();
    std::size_t length = 0;
    LineReader::Result result = reader.read(line, kHeaderLineLimit, length);
    if (result != LineReader::Result::Line) {
        if (result == LineReader::Result::Error) {
            host.showMessage(MessageKind::Error, "Couldnt read csv file");
        }
        return finish(0);
    }
    // Names beyond the header's limit could not be mapped anyway; they must not become a record.
    if (length == kHeaderLineLimit && line[length - 1] != '\n' && !reader.atEnd()) {
        reader.skipRestOfLine();
    }
    splitCsvLine(std::string_view(line, length), ctx.lineValues);
    const int h = buildColumnMap(ctx, ctx.lineValues);

    for (;;) {
        if (c == kImportRecordLimit) {
            host.showMessage(MessageKind::Information,
                             "Transfer Stopped too many records to transfer to Endnote");
            return finish(c);
        }
        host.pumpEvents();
        result = reader.read(line, kRecordLineLimit, length);
        if (result != LineReader::Result::Line) {
            if (result == LineReader::Result::Error) {
                host.showMessage(MessageKind::Error, "Couldnt read csv file");
            }
            return finish(c);
        }
        // A full buffer without an LF is too long only when the line goes on.
        if (length == kRecordLineLimit && line[length - 1] != '\n' && !reader.atEnd()) {
            host.showMessage(MessageKind::Error, "Records of more than 32K Not supported");
            return finish(c);
        }
        std::replace(line, line + length, '\t', ' ');
        splitCsvLine(std::string_view(line, length), ctx.lineValues);
        if (ctx.lineValues.empty()) continue;  // a blank line is no record
        writeImportRecord(ctx, ctx.lineValues, h);
        ++c;
        host.setRecordNumber(c);
    }
}

}  // namespace rq
