// SPDX-License-Identifier: MIT
#include "engine/export_csv.h"
#include "base/native_path.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "base/byte_scan.h"
#include "base/files.h"

namespace rq {

// Deviations from the plain format that real exports show and that this reader tolerates:
// - CR anywhere is dropped (files come from Windows text mode), except in an export with no LF
//   at all before its end: that one comes from a classic Mac, and each CR is read as an LF, so
//   that line breaks inside values survive.
// - A byte 0x1A (Ctrl-Z) ends the input as if the file ended there; the user is told how much
//   was left unread.
// - A degree sign (0xB0) inside a value is data: only a 0xB0 followed directly by CR or LF, or by
//   the end of the input, is a record mark, which is where EndNote writes them. Exports with
//   CR LF, LF alone and CR alone (classic Mac) so give the same records.
// - Line ends between a record mark and the next record's first byte only separate records.
// - Bytes after the last record mark are an unfinished record and are dropped unwritten.
//
// Two readers apply these rules. The fast one takes a whole record at a time from the input
// buffer: it finds the record's mark and its tabs with memchr, skips unselected fields without
// looking into them, and writes the selected values, escaped and cut, straight into the output
// buffer. The byte reader applies the rules one byte at a time into the record text; the fast
// reader hands it every record it does not take itself (one that reaches the record limit, one
// longer than the carry area, the unfinished end of the input), and tests run whole exports
// through both and compare the bytes.

namespace {

constexpr unsigned char kTab = 0x09;
constexpr unsigned char kLineFeed = 0x0A;
constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kQuote = 0x22;
constexpr unsigned char kEndOfText = 0x1A;
constexpr std::size_t kRecordLimit = kExportRecordLimit;

// The input buffer: a carry area for the unfinished record in front of a page-aligned read
// area, so that the system always copies whole pages into aligned memory.
constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kCarrySize = std::size_t{1} << 16;
constexpr std::size_t kReadSize = std::size_t{1} << 18;

const unsigned char* find(const unsigned char* from, const unsigned char* end, unsigned char c) {
    return static_cast<const unsigned char*>(
        std::memchr(from, c, static_cast<std::size_t>(end - from)));
}

// The length of a value cut to at most `limit` bytes. A cut between the two quotes that stand
// for one quote of the export would leave a lone quote and break the CSV line: cut one less.
std::size_t cutLength(const char* value, std::size_t limit) {
    std::size_t quotes = 0;
    while (quotes < limit && value[limit - 1 - quotes] == '"') ++quotes;
    return quotes % 2 == 1 ? limit - 1 : limit;
}

enum class Stop { EndOfInput, TooLong, ReadError, WriteError };

// What the strategy asks of each field, taken once per file.
struct Selection {
    int count = 0;         // selected fields: places the commas
    int lastSelected = 0;  // values after it are of no use
    std::array<bool, kFieldCount + 1> selected{};
    std::array<std::size_t, kFieldCount + 1> limit{};

    explicit Selection(const Strategy& strategy) {
        for (int n = 1; n <= kFieldCount; ++n) {
            const FieldSlot& slot = strategy.slots[n];
            selected[n] = slot.selected;
            limit[n] = slot.maxLength > 0 ? static_cast<std::size_t>(slot.maxLength) : 0;
            if (!slot.selected) continue;
            ++count;
            lastSelected = n;
        }
    }
};

// Counts the records and those with cut values, shows their numbers and logs the cut ones.
class RecordCount {
  public:
    explicit RecordCount(HostServices& host) : host_(host) {}

    void begin() { host_.recordReached(++count_); }
    void end(bool cut) {
        if (!cut) return;
        static constexpr std::string_view kPrefix = "Truncated field(s) in Record ";
        char line[64];
        std::memcpy(line, kPrefix.data(), kPrefix.size());
        const auto result = std::to_chars(line + kPrefix.size(), line + sizeof line, count_);
        host_.appendLog(std::string_view(line, static_cast<std::size_t>(result.ptr - line)));
        ++cut_;
    }
    int count() const { return count_; }
    int cut() const { return cut_; }

  private:
    HostServices& host_;
    int count_ = 0;
    int cut_ = 0;
};

// The reading rules one byte at a time, into the record text, as plainly as they can be put.
class ByteReader {
  public:
    enum class Step { Taken, RecordEnded, TooLong };

    ByteReader(const Strategy& strategy, OutputFile& out, RecordCount& records)
        : strategy_(strategy),
          out_(out),
          records_(records),
          store_(new char[kRecordLimit + 2]),
          text_(store_.get()) {}

    void startRecord(bool inRecord) {
        size_ = 0;
        inRecord_ = inRecord;
        markPending_ = false;
    }

    // RecordEnded: c was the line end after a record mark; the record is written.
    Step take(unsigned char c) {
        if (markPending_) {
            markPending_ = false;
            if (c == kCarriageReturn || c == kLineFeed) {
                endRecord();
                return Step::RecordEnded;  // the line end itself is dropped
            }
            text_[size_++] = static_cast<char>(kRecordMark);
            inRecord_ = true;
            if (size_ >= kRecordLimit) return Step::TooLong;
        }
        switch (c) {
            case kTab:
                // An empty field, in any position, becomes one space.
                if (size_ == 0 || text_[size_ - 1] == '\t') text_[size_++] = ' ';
                text_[size_++] = '\t';
                inRecord_ = true;
                break;
            case kLineFeed:
                if (inRecord_) text_[size_++] = static_cast<char>(kLineEndMark);
                break;
            case kCarriageReturn:
                break;
            case kQuote:
                text_[size_++] = '"';
                text_[size_++] = '"';
                inRecord_ = true;
                break;
            case kRecordMark:
                markPending_ = true;
                break;
            default:
                text_[size_++] = static_cast<char>(c);
                inRecord_ = true;
                break;
        }
        return size_ >= kRecordLimit ? Step::TooLong : Step::Taken;
    }

    // At the end of the input (or a 0x1A): a mark still waiting ends its record. True then.
    bool endOfInput() {
        if (!markPending_) return false;
        markPending_ = false;
        endRecord();
        return true;
    }

  private:
    void endRecord() {
        records_.begin();
        if (size_ > 0 && text_[size_ - 1] == '\t') text_[size_++] = ' ';
        records_.end(writeCsvRecord(out_, strategy_, std::string_view(text_, size_)));
        size_ = 0;
        inRecord_ = false;
    }

    const Strategy& strategy_;
    OutputFile& out_;
    RecordCount& records_;
    // One record's text, taken once per export. Two bytes of room beyond the limit: one step may
    // add two (a blank and a tab, a doubled quote) before the limit is checked.
    std::unique_ptr<char[]> store_;
    char* text_;
    std::size_t size_ = 0;
    bool inRecord_ = true;
    bool markPending_ = false;
};

// Aligned new rather than std::aligned_alloc, which the Windows C runtimes lack.
struct AlignedFree {
    void operator()(unsigned char* p) const { ::operator delete (p, std::align_val_t{kPageSize}); }
};

class ExportReader {
  public:
    ExportReader(const Strategy& strategy, HostServices& host, OutputFile& out, std::FILE* input,
                 bool byteWise)
        : pump_(host),
          out_(out),
          input_(input),
          byteWise_(byteWise),
          selection_(strategy),
          records_(host),
          bytes_(strategy, out, records_),
          buffer_(static_cast<unsigned char*>(
              ::operator new (kCarrySize + kReadSize, std::align_val_t{kPageSize}))) {
        // Large reads go straight into the aligned buffer, not through a stdio copy.
        std::setvbuf(input_, nullptr, _IONBF, 0);
        judgeLineEnds();
    }

    Stop run();
    ExportResult result() const { return {records_.count(), records_.cut(), {}}; }
    // Where a 0x1A ended the reading, counted from the start of the file; -1 when none did.
    long long endOfTextOffset() const { return endOfText_; }

  private:
    // Whether the export has classic Mac line ends: no LF before its end (or its 0x1A) and at
    // least one CR. Looks ahead and comes back; most exports show an LF in their first block.
    void judgeLineEnds();
    // Reads the next block into the read area. With `keep`, the bytes from pos_ on (at most
    // kCarrySize) move in front of it first. False when no byte was added.
    bool fill(bool keep);
    // The first record mark from `from` on, or null when the bytes at hand do not tell.
    const unsigned char* findMark(const unsigned char* from) const;
    // Writes the record from pos_ to its mark; false (nothing written) when the byte reader must
    // take it.
    bool fastRecord(const unsigned char* mark, bool inRecord);
    // Exact length of the record text of [p, mark): the record limit counts escaped bytes.
    std::size_t escapedLength(const unsigned char* p, const unsigned char* mark) const;
    // Writes one value, escaped and cut to `limit`; true when it was cut.
    bool writeValue(const unsigned char* p, const unsigned char* end, std::size_t limit);
    // One record through the byte reader. True when it ended at its mark; otherwise `stop` says
    // why reading ends.
    bool byteRecord(bool inRecord, Stop& stop);

    BytePump pump_;
    OutputFile& out_;
    std::FILE* input_;
    const bool byteWise_;
    const Selection selection_;
    RecordCount records_;
    ByteReader bytes_;
    std::unique_ptr<unsigned char, AlignedFree> buffer_;
    const unsigned char* pos_ = nullptr;
    const unsigned char* end_ = nullptr;
    bool ended_ = false;   // no byte follows end_
    bool failed_ = false;  // ... because reading failed
    bool classicMac_ = false;
    bool lineEndsKnown_ = false;
    long long readSoFar_ = 0;
    long long endOfText_ = -1;
    // The next CR, LF and quote of the record in hand at or after the place last asked about;
    // the record's mark when there is none.
    const unsigned char* mark_ = nullptr;
    std::array<const unsigned char*, 3> next_{};
};

bool ExportReader::fill(bool keep) {
    unsigned char* const area = buffer_.get() + kCarrySize;
    if (keep) {
        const std::size_t tail = static_cast<std::size_t>(end_ - pos_);
        std::memmove(area - tail, pos_, tail);
        pos_ = area - tail;
    } else {
        pos_ = area;
    }
    end_ = area;
    if (ended_) return false;
    const std::size_t got = std::fread(area, 1, kReadSize, input_);
    end_ = area + got;
    if (got < kReadSize) {
        ended_ = true;
        failed_ = std::ferror(input_) != 0;
    }
    if (const unsigned char* stop = find(area, end_, kEndOfText)) {
        end_ = stop;
        ended_ = true;
        failed_ = false;
        endOfText_ = readSoFar_ + (stop - area);
    }
    readSoFar_ += static_cast<long long>(got);
    if (!lineEndsKnown_) {
        // Input that cannot be looked ahead in (a pipe) is judged by its first block.
        lineEndsKnown_ = true;
        classicMac_ =
            find(area, end_, kLineFeed) == nullptr && find(area, end_, kCarriageReturn) != nullptr;
    }
    if (classicMac_) std::replace(area, area + (end_ - area), kCarriageReturn, kLineFeed);
    return end_ != area;
}

void ExportReader::judgeLineEnds() {
    const long start = std::ftell(input_);
    if (start < 0) return;
    unsigned char* const area = buffer_.get() + kCarrySize;
    bool sawLineFeed = false;
    bool sawCarriageReturn = false;
    for (;;) {
        const std::size_t got = std::fread(area, 1, kReadSize, input_);
        const unsigned char* end = area + got;
        const unsigned char* stop = find(area, end, kEndOfText);
        if (stop != nullptr) end = stop;
        sawLineFeed = find(area, end, kLineFeed) != nullptr;
        sawCarriageReturn = sawCarriageReturn || find(area, end, kCarriageReturn) != nullptr;
        if (sawLineFeed || stop != nullptr || got < kReadSize) break;
    }
    std::clearerr(input_);
    if (std::fseek(input_, start, SEEK_SET) != 0) return;  // judged by the first block then
    lineEndsKnown_ = true;
    classicMac_ = !sawLineFeed && sawCarriageReturn;
}

const unsigned char* ExportReader::findMark(const unsigned char* from) const {
    for (;;) {
        const unsigned char* q = find(from, end_, kRecordMark);
        if (q == nullptr) return nullptr;
        if (q + 1 == end_) return ended_ && !failed_ ? q : nullptr;
        if (q[1] == kCarriageReturn || q[1] == kLineFeed) return q;
        from = q + 1;
    }
}

std::size_t ExportReader::escapedLength(const unsigned char* p, const unsigned char* mark) const {
    const auto crs = static_cast<std::size_t>(std::count(p, mark, kCarriageReturn));
    const auto quotes = static_cast<std::size_t>(std::count(p, mark, kQuote));
    std::size_t spaces = 0;  // one for each empty field before a tab
    for (const unsigned char* a = p;;) {
        const unsigned char* tab = find(a, mark, kTab);
        if (tab == nullptr) break;
        if (std::all_of(a, tab, [](unsigned char c) { return c == kCarriageReturn; })) ++spaces;
        a = tab + 1;
    }
    return static_cast<std::size_t>(mark - p) - crs + quotes + spaces;
}

bool ExportReader::writeValue(const unsigned char* p, const unsigned char* end, std::size_t limit) {
    static constexpr std::array<unsigned char, 3> kEscaped = {kCarriageReturn, kLineFeed, kQuote};
    std::size_t budget = limit;
    for (;;) {
        // The next byte that is not copied as it is.
        const unsigned char* special = mark_;
        for (std::size_t i = 0; i < kEscaped.size(); ++i) {
            if (next_[i] <= p) {
                const unsigned char* at = find(p, mark_, kEscaped[i]);
                next_[i] = at != nullptr ? at : mark_;
            }
            special = std::min(special, next_[i]);
        }
        const unsigned char* const stop = std::min(special, end);
        const auto run = static_cast<std::size_t>(stop - p);
        if (run > budget) {
            out_.write(reinterpret_cast<const char*>(p), budget);
            return true;
        }
        out_.write(reinterpret_cast<const char*>(p), run);
        budget -= run;
        if (stop == end) return false;
        p = special + 1;
        if (*special == kLineFeed) {
            if (budget == 0) return true;
            out_.put(static_cast<char>(kLineEndMark));
            budget -= 1;
        } else if (*special == kQuote) {
            // Both quotes or none: one alone would end the CSV value.
            if (budget < 2) return true;
            out_.write("\"\"", 2);
            budget -= 2;
        }
    }
}

bool ExportReader::fastRecord(const unsigned char* mark, bool inRecord) {
    const unsigned char* p = pos_;
    if (!inRecord) {
        while (p < mark && (*p == kCarriageReturn || *p == kLineFeed)) ++p;
    }
    // Each byte escapes to at most two; only a long record can reach the limit.
    if (2 * static_cast<std::size_t>(mark - p) + 1 >= kRecordLimit &&
        escapedLength(p, mark) >= kRecordLimit) {
        return false;
    }
    mark_ = mark;
    next_.fill(p);  // not yet looked for

    records_.begin();
    const Selection& sel = selection_;
    bool cut = false;
    int written = 0;
    const unsigned char* a = p;
    for (int field = 1; field <= sel.lastSelected; ++field) {
        const unsigned char* tab = find(a, mark, kTab);
        const unsigned char* const end = tab != nullptr ? tab : mark;
        if (sel.selected[field]) {
            // A field of nothing but dropped CRs is empty too.
            const bool empty =
                std::all_of(a, end, [](unsigned char c) { return c == kCarriageReturn; });
            // An empty record text (no tab, nothing but CRs) holds no value at all.
            if (empty && field == 1 && tab == nullptr) break;
            out_.put('"');
            if (empty) {
                if (sel.limit[field] > 0) {
                    out_.put(' ');
                } else {
                    cut = true;
                }
            } else {
                cut = writeValue(a, end, sel.limit[field]) || cut;
            }
            out_.put('"');
            if (++written < sel.count) out_.put(',');
        }
        if (tab == nullptr) break;
        a = tab + 1;
    }
    out_.endLine();
    records_.end(cut);
    pump_.advance(static_cast<long>(mark + 1 - pos_));
    pos_ = mark + 1;
    return true;
}

bool ExportReader::byteRecord(bool inRecord, Stop& stop) {
    bytes_.startRecord(inRecord);
    for (;;) {
        if (pos_ == end_ && !fill(false)) {
            if (failed_) {
                stop = Stop::ReadError;
            } else {
                bytes_.endOfInput();
                stop = out_.failed() ? Stop::WriteError : Stop::EndOfInput;
            }
            return false;
        }
        const unsigned char c = *pos_++;
        pump_.advance();
        switch (bytes_.take(c)) {
            case ByteReader::Step::Taken:
                break;
            case ByteReader::Step::RecordEnded:
                return true;
            case ByteReader::Step::TooLong:
                stop = Stop::TooLong;
                return false;
        }
    }
}

Stop ExportReader::run() {
    if (!buffer_) return Stop::ReadError;
    fill(false);
    bool inRecord = true;      // line ends at the very start of the file are data
    std::size_t searched = 0;  // bytes after pos_ known to hold no mark
    for (;;) {
        if (!byteWise_) {
            const unsigned char* mark = findMark(pos_ + searched);
            if (mark != nullptr) {
                if (fastRecord(mark, inRecord)) {
                    if (out_.failed()) return Stop::WriteError;
                    inRecord = false;
                    searched = 0;
                    continue;
                }
            } else if (!ended_ && end_ - pos_ <= static_cast<std::ptrdiff_t>(kCarrySize)) {
                // The record goes on in the next block. A 0xB0 at the very end is looked at
                // again: the byte after it decides.
                searched = end_ > pos_ ? static_cast<std::size_t>(end_ - pos_) - 1 : 0;
                fill(true);
                continue;
            }
        }
        Stop stop;
        if (!byteRecord(inRecord, stop)) return stop;
        if (out_.failed()) return Stop::WriteError;
        inRecord = false;
        searched = 0;
    }
}

}  // namespace

void writeCsvHeader(Strategy& strategy, OutputFile& out) {
    const int selectedCount = assignPopupLetters(strategy);
    int written = 0;
    for (int n = 1; n <= kFieldCount; ++n) {
        if (!strategy.slots[n].selected) continue;
        out.put('"');
        out.write(jfileName(n));
        out.put('"');
        if (++written < selectedCount) out.put(',');
    }
    out.endLine();
}

namespace {

// A 0x1A before the end of a file cuts it short without a word from the format; the user learns
// where, and how much was left.
void reportEndOfText(HostServices& host, const std::string& sourcePath, std::FILE* input,
                     long long offset) {
    long long size = -1;
    if (std::fseek(input, 0, SEEK_END) == 0) size = std::ftell(input);
    if (size < 0) {
        size = offset;  // a pipe: what follows is counted as it is read
        char block[1 << 16];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, input)) > 0;) {
            size += static_cast<long long>(got);
        }
    }
    const std::string text = shownPath(sourcePath) + ": an end-of-file byte (0x1A) at byte " +
                             std::to_string(offset) + " ended the reading; the " +
                             std::to_string(size - offset) + " bytes from there on were not read";
    host.appendLog(text);
    host.showMessage(MessageKind::Information, text);
}

void reportStop(HostServices& host, const std::string& sourcePath, Stop stop, int records) {
    std::string text;
    if (stop == Stop::TooLong) {
        text = shownPath(sourcePath) + ": record " + std::to_string(records + 1) +
               " is too long; the rest of the file was not converted";
    } else if (stop == Stop::ReadError) {
        text = shownPath(sourcePath) + ": read error after record " + std::to_string(records) +
               "; the rest of the file was not converted";
    } else {
        return;
    }
    host.appendLog(text);
    host.showMessage(MessageKind::Error, text);
}

// `given`: the export, already open; else it is opened from `sourcePath`.
ExportResult exportWith(Strategy& strategy, HostServices& host, OutputFile& out,
                        const std::string& sourcePath, std::FILE* given, const std::string& csvPath,
                        bool byteWise) {
    // The fixed texts stay; the file and the reason follow on a line of their own.
    const auto fail = [&](std::string_view text, const std::string& path, std::string reason) {
        ExportResult failed;
        failed.failure = shownPath(path) + ": " + reason;
        host.showMessage(MessageKind::Error, text, failed.failure);
        return failed;
    };
    UniqueFile opened;
    std::string problem;
    std::FILE* const input = openInputFile(sourcePath, given, opened, problem);
    if (input == nullptr) {
        return fail("Couldnt Open input .tsv file", sourcePath, problem);
    }
    if (!out.open(csvPath)) {
        return fail("Couldnt open output CSV File", csvPath, out.failureReason());
    }
    OutputFileGuard guard(out);
    writeCsvHeader(strategy, out);
    Stop stop;
    ExportResult result;
    long long endOfText = -1;
    {
        ExportReader reader(strategy, host, out, input, byteWise);
        stop = reader.run();
        result = reader.result();
        endOfText = reader.endOfTextOffset();
    }
    if (endOfText >= 0) reportEndOfText(host, sourcePath, input, endOfText);

    if (!out.close() || stop == Stop::WriteError) {
        return fail("Error writing the CSV file", csvPath, out.failureReason());
    }
    reportStop(host, sourcePath, stop, result.records);
    return result;
}

}  // namespace

bool writeCsvRecord(OutputFile& out, const Strategy& strategy, std::string_view record) {
    // The number of selected fields places the commas; values after the last selected field
    // are of no use, so the split stops there.
    int selectedCount = 0;
    int lastSelected = 0;
    for (int n = 1; n <= kFieldCount; ++n) {
        if (!strategy.slots[n].selected) continue;
        ++selectedCount;
        lastSelected = n;
    }
    const char* text = record.data();
    const std::size_t size = record.size();

    // The line is made whole and written at once: each piece is copied behind its quote while
    // its end is looked for, and dropped again when its field is not selected. Room for the
    // record, three bytes for each field, the line end and the word the copy may store beyond.
    thread_local std::string line;
    const std::size_t room = size + 3 * kFieldCount + 16;
    if (line.size() < room) line.resize(room);
    char* const first = line.data();
    char* to = first;
    bool cut = false;
    int written = 0;
    int field = 0;
    std::size_t pos = 0;
    while (pos < size && field < lastSelected) {
        // Most pieces are short: their first 32 bytes word by word, a longer rest by the library.
        char* copied = to + 1;
        const std::size_t near = std::min(size, pos + 32);
        std::size_t pieceEnd = copyUnmarked(record.substr(0, near), pos, copied,
                                            [](std::uint64_t w) { return word::equalTo(w, '\t'); });
        if (pieceEnd == near && near < size) {
            const void* tab = std::memchr(text + near, '\t', size - near);
            pieceEnd = tab == nullptr
                           ? size
                           : static_cast<std::size_t>(static_cast<const char*>(tab) - text);
            std::memcpy(copied, text + near, pieceEnd - near);
        }
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
                to[0] = '"';
                to += 1 + length;
                *to++ = '"';
                if (++written < selectedCount) *to++ = ',';
            }
        }
        pos = pieceEnd + 1;
    }
    to[0] = '\r';
    to[1] = '\n';
    out.write(first, static_cast<std::size_t>(to + 2 - first));
    return cut;
}

ExportResult exportToCsv(Strategy& strategy, HostServices& host, OutputFile& out,
                         const std::string& sourcePath, const std::string& csvPath) {
    return exportWith(strategy, host, out, sourcePath, nullptr, csvPath, false);
}

ExportResult exportToCsv(Strategy& strategy, HostServices& host, OutputFile& out, std::FILE* source,
                         const std::string& sourceName, const std::string& csvPath) {
    return exportWith(strategy, host, out, sourceName, source, csvPath, false);
}

ExportResult exportToCsvByteWise(Strategy& strategy, HostServices& host, OutputFile& out,
                                 const std::string& sourcePath, const std::string& csvPath) {
    return exportWith(strategy, host, out, sourcePath, nullptr, csvPath, true);
}

}  // namespace rq
