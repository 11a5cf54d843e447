#include "engine/export_csv.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace rq {

// Deviations from the plain format that real exports show and that this reader tolerates:
// - CR anywhere is dropped (files come from Windows text mode).
// - A byte 0x1A (Ctrl-Z) ends the input as if the file ended there.
// - A degree sign (0xB0) inside a value is data: only a 0xB0 followed directly by CR or LF, or by
//   the end of the input, is a record mark, which is where EndNote writes them. Exports with
//   CR LF, LF alone and CR alone (classic Mac) so give the same records.
// - Line ends between a record mark and the next record's first byte only separate records.

namespace {

constexpr unsigned char kTab = 0x09;
constexpr unsigned char kLineFeed = 0x0A;
constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kQuote = 0x22;
constexpr unsigned char kEndOfText = 0x1A;
constexpr std::size_t kRecordLimit = ConversionContext::kRecordTextSize;
constexpr std::size_t kInputBlockSize = std::size_t{1} << 16;

constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {kTab, kLineFeed, kCarriageReturn, kQuote, kRecordMark, kEndOfText})
        table[c] = true;
    return table;
}();

// Bytes that may need more than copying: the special bytes above, plus other control bytes below
// 0x20 (rare; the byte loop treats them as ordinary). Eight bytes are tested at a time; each
// test's lowest flagged byte is exact, higher ones may be false alarms.
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// A high bit for each byte that may be special. Flipping bit 1 maps the quote 0x22 to 0x20 and
// keeps 0x00-0x1F among themselves, so one "less than 0x21" test finds both.
inline std::uint64_t specialBits(std::uint64_t w) {
    const std::uint64_t low = w ^ (kOnes * 0x02);
    const std::uint64_t lowHits = (low - kOnes * 0x21) & ~low & kHighs;
    const std::uint64_t m = w ^ (kOnes * kRecordMark);
    const std::uint64_t markHits = (m - kOnes) & ~m & kHighs;
    return lowHits | markHits;
}

// Copies the run of ordinary bytes at p into the record text at `size`, up to the next byte
// that may be special, the end of the block or the record limit, and returns its length. Sixteen
// bytes are tested and stored at a time; stored bytes past the run are overwritten later.
std::size_t copyRun(const unsigned char* p, const unsigned char* end, char* text,
                    std::size_t size) {
    const unsigned char* const start = p;
    if constexpr (std::endian::native == std::endian::little) {
        while (end - p >= 16 && size + 16 <= kRecordLimit) {
            std::uint64_t a;
            std::uint64_t b;
            std::memcpy(&a, p, 8);
            std::memcpy(&b, p + 8, 8);
            std::memcpy(text + size, p, 16);
            const std::uint64_t hitsA = specialBits(a);
            const std::uint64_t hitsB = specialBits(b);
            if ((hitsA | hitsB) != 0) {
                const std::size_t at = hitsA != 0 ? (std::countr_zero(hitsA) >> 3)
                                                  : 8 + (std::countr_zero(hitsB) >> 3);
                return static_cast<std::size_t>(p - start) + at;
            }
            p += 16;
            size += 16;
        }
    }
    while (p < end && size < kRecordLimit && !kSpecial[*p]) text[size++] = static_cast<char>(*p++);
    return static_cast<std::size_t>(p - start);
}

// The length of a value cut to at most `limit` bytes. A cut between the two quotes that stand
// for one quote of the export would leave a lone quote and break the CSV line: cut one less.
std::size_t cutLength(const char* value, std::size_t limit) {
    std::size_t quotes = 0;
    while (quotes < limit && value[limit - 1 - quotes] == '"') ++quotes;
    return quotes % 2 == 1 ? limit - 1 : limit;
}

class FileCloser {
  public:
    explicit FileCloser(std::FILE* file) : file_(file) {}
    ~FileCloser() { std::fclose(file_); }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

  private:
    std::FILE* file_;
};

enum class Stop { EndOfInput, TooLong, ReadError, WriteError };

// The byte loop of exportToCsv. Runs of ordinary bytes are copied whole; the event pump is
// told how many bytes each run took.
class ExportReader {
  public:
    ExportReader(ConversionContext& ctx, std::FILE* input)
        : ctx_(ctx),
          input_(input),
          block_(new unsigned char[kInputBlockSize]),
          text_(ctx.recordText.get()) {}

    Stop run();
    int records() const { return records_; }

  private:
    // Reads the next block into [p, end); false at the end of the input or after a read error.
    bool refill(const unsigned char*& p, const unsigned char*& end);
    // Writes the record text of `size` bytes and logs it when a value was cut.
    void endRecord(std::size_t size);

    ConversionContext& ctx_;
    std::FILE* input_;
    std::unique_ptr<unsigned char[]> block_;
    bool inputFailed_ = false;
    char* text_;
    int records_ = 0;
};

bool ExportReader::refill(const unsigned char*& p, const unsigned char*& end) {
    const std::size_t got = std::fread(block_.get(), 1, kInputBlockSize, input_);
    if (got == 0) {
        inputFailed_ = std::ferror(input_) != 0;
        return false;
    }
    p = block_.get();
    end = p + got;
    return true;
}

void ExportReader::endRecord(std::size_t size) {
    ++records_;
    ctx_.host.setRecordNumber(records_);
    if (size > 0 && text_[size - 1] == '\t') text_[size++] = ' ';
    ctx_.recordTextSize = size;
    if (writeCsvRecord(ctx_)) {
        static constexpr std::string_view kPrefix = "Truncated field(s) in Record ";
        char line[64];
        std::memcpy(line, kPrefix.data(), kPrefix.size());
        const auto result = std::to_chars(line + kPrefix.size(), line + sizeof line, records_);
        ctx_.host.appendLog(std::string_view(line, static_cast<std::size_t>(result.ptr - line)));
        ++ctx_.job.truncatedRecords;
    }
    ctx_.recordTextSize = 0;
}

Stop ExportReader::run() {
    // The loop works on locals: stores into the record text could otherwise alias the members
    // and force them through memory on every byte.
    char* const text = text_;
    const unsigned char* p = nullptr;
    const unsigned char* end = nullptr;
    std::size_t size = 0;
    bool inRecord = true;
    // A 0xB0 waits here until the next byte tells whether it ends the record.
    bool markPending = false;
    const auto finishRecord = [&] {
        endRecord(size);
        size = 0;
        inRecord = false;
        return !ctx_.outputFile.failed();
    };

    for (;;) {
        if (p == end && !refill(p, end)) break;
        if (markPending) {
            const unsigned char c = *p;
            markPending = false;
            if (c == kCarriageReturn || c == kLineFeed || c == kEndOfText) {
                if (!finishRecord()) return Stop::WriteError;
                continue;  // the line end or the end of the input is taken next
            }
            text[size++] = static_cast<char>(kRecordMark);
            inRecord = true;
            if (size >= kRecordLimit) return Stop::TooLong;
            continue;
        }

        const std::size_t run = copyRun(p, end, text, size);
        if (run != 0) {
            size += run;
            p += run;
            inRecord = true;
            ctx_.pumpEventsPerByte(static_cast<long>(run));
            if (size >= kRecordLimit) return Stop::TooLong;
            if (p == end) continue;
        }

        const unsigned char c = *p++;
        ctx_.pumpEventsPerByte();
        switch (c) {
            case kTab:
                // An empty field, in any position, becomes one space.
                if (size == 0 || text[size - 1] == '\t') text[size++] = ' ';
                text[size++] = '\t';
                inRecord = true;
                break;
            case kLineFeed:
                if (inRecord) text[size++] = static_cast<char>(kLineEndMark);
                break;
            case kCarriageReturn:
                break;
            case kQuote:
                text[size++] = '"';
                text[size++] = '"';
                inRecord = true;
                break;
            case kRecordMark:
                markPending = true;
                break;
            case kEndOfText:
                return Stop::EndOfInput;
            default:  // a control byte that the scan stopped at
                text[size++] = static_cast<char>(c);
                inRecord = true;
                break;
        }
        if (size >= kRecordLimit) return Stop::TooLong;
    }
    if (inputFailed_) return Stop::ReadError;
    if (markPending && !finishRecord()) return Stop::WriteError;
    return Stop::EndOfInput;
}

void writeHeader(ConversionContext& ctx, int selectedCount) {
    OutputFile& out = ctx.outputFile;
    int written = 0;
    for (int n = 1; n <= kFieldCount; ++n) {
        if (!ctx.strategy.slots[n].selected) continue;
        out.put('"');
        out.write(jfileName(n));
        out.put('"');
        if (++written < selectedCount) out.put(',');
    }
    out.endLine();
}

void reportStop(ConversionContext& ctx, const std::string& sourcePath, Stop stop, int records) {
    std::string text;
    if (stop == Stop::TooLong) {
        text = "Record " + std::to_string(records + 1) +
               " is too long; the rest of the file was not converted";
    } else if (stop == Stop::ReadError) {
        text = "Error reading " + sourcePath + " after record " + std::to_string(records) +
               "; the rest of the file was not converted";
    } else {
        return;
    }
    ctx.host.appendLog(text);
    ctx.host.showMessage(MessageKind::Error, text);
}

}  // namespace

bool writeCsvRecord(ConversionContext& ctx) {
    OutputFile& out = ctx.outputFile;
    const Strategy& strategy = ctx.strategy;
    // The number of selected fields places the commas; values after the last selected field
    // are of no use, so the split stops there.
    int selectedCount = 0;
    int lastSelected = 0;
    for (int n = 1; n <= kFieldCount; ++n) {
        if (!strategy.slots[n].selected) continue;
        ++selectedCount;
        lastSelected = n;
    }
    const char* text = ctx.recordText.get();
    const std::size_t size = ctx.recordTextSize;

    bool cut = false;
    int written = 0;
    int field = 0;
    std::size_t pos = 0;
    while (pos < size && field < lastSelected) {
        const void* tab = std::memchr(text + pos, '\t', size - pos);
        const std::size_t pieceEnd =
            tab == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(tab) - text);
        if (pieceEnd > pos) {  // empty pieces carry no value
            const FieldSlot& slot = strategy.slots[++field];
            if (slot.selected) {
                std::size_t length = pieceEnd - pos;
                const std::size_t limit =
                    slot.maxLength > 0 ? static_cast<std::size_t>(slot.maxLength) : 0;
                if (length > limit) {
                    length = cutLength(text + pos, limit);
                    cut = true;
                }
                out.put('"');
                out.write(text + pos, length);
                out.put('"');
                if (++written < selectedCount) out.put(',');
            }
        }
        pos = pieceEnd + 1;
    }
    out.endLine();
    return cut;
}

int exportToCsv(ConversionContext& ctx, const std::string& sourcePath) {
    OutputFile& out = ctx.outputFile;
    const std::string csvPath = ctx.job.csvFile;
    if (!out.open(csvPath)) {
        ctx.host.showMessage(MessageKind::Error, "Couldnt open output CSV File");
        return 0;
    }
    OutputFileGuard guard(out);
    writeHeader(ctx, assignPopupLetters(ctx.strategy));

    std::FILE* input = std::fopen(sourcePath.c_str(), "rb");
    if (input == nullptr) {
        ctx.host.showMessage(MessageKind::Error, "Couldnt Open input .tsv file");
        out.close();
        return 0;
    }
    Stop stop;
    int records;
    {
        FileCloser closer(input);
        ExportReader reader(ctx, input);
        stop = reader.run();
        records = reader.records();
    }
    ctx.recordTextSize = 0;  // a record without its mark is dropped unwritten

    if (!out.close() || stop == Stop::WriteError) {
        ctx.host.showMessage(MessageKind::Error, "Error writing the CSV file " + csvPath);
        return 0;
    }
    reportStop(ctx, sourcePath, stop, records);
    return records;
}

}  // namespace rq
