// SPDX-License-Identifier: MIT
#include "engine/strategy_file.h"
#include "base/native_path.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <memory>

namespace rq {

namespace {

constexpr std::string_view kReadErrorMessage = "Couldnt Read Strategy File";
constexpr int kFirstPopupLine = 11;
constexpr int kLastPopupLine = kFirstPopupLine + kFieldCount - 1;
constexpr std::size_t kWordsReadPerLine = 98;  // tokens 2 to 99 of a popup line

// ---- factory defaults ----

std::vector<std::string> yearWords() {
    std::vector<std::string> years;
    for (int year = 1980; year <= 2010; ++year) years.push_back(std::to_string(year));
    return years;
}

const std::array<std::vector<std::string>, kFieldCount + 1>& defaultWordLists() {
    static const std::array<std::vector<std::string>, kFieldCount + 1> lists = [] {
        std::array<std::vector<std::string>, kFieldCount + 1> l;
        l[1] = {"Book",
                "Book Section",
                "Conference Proceedings",
                "Edited Book",
                "Generic",
                "Journal Article",
                "Magazine Article",
                "Newspaper Article",
                "Report",
                "Thesis",
                "Personal Communication",
                "Artwork",
                "Map",
                "Audiovisual Material"};
        l[3] = yearWords();
        l[7] = {"New York",      "Ithaca",      "London",    "Cambridge",   "Princeton",
                "San Francisco", "Minneapolis", "Madison",   "Paris",       "Jakarta",
                "Hong Kong",     "Tokyo",       "Singapore", "Kuala Lumpur"};
        l[8] = {"Routledge",
                "Penguin Books",
                "Pantheon",
                "Harper & Row",
                "Princeton University Press",
                "Cornell University Press",
                "Stanford University Press",
                "ISAI",
                "Oxford University Press",
                "Grafiti Pers",
                "Sinar Harapan",
                "Duke"};
        return l;
    }();
    return lists;
}

// The factory file carries popup lines for fields 1 to 9 only.
constexpr int kFactoryPopupLines = 9;
constexpr std::size_t kFactoryLines = kFirstPopupLine - 1 + kFactoryPopupLines;
constexpr std::size_t kLastStrategyLine = 44;

void appendNumber(std::string& out, std::int32_t value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// The four lines of per-field numbers, each value followed by a comma.
template <typename Get>
void appendFieldNumbers(std::string& out, Get get) {
    for (int n = 1; n <= kFieldCount; ++n) {
        appendNumber(out, get(n));
        out += ',';
    }
    out += "\r\n";
}

// Windows text mode writes every line feed of a text as CR LF.
void appendTextLine(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    out += "\r\n";
}

void appendPopupLine(std::string& out, int n, const std::vector<std::string>& words) {
    out += "fld";
    appendNumber(out, n);
    for (const std::string& word : words) {
        out += ',';
        // These bytes would split the word or the line when read back.
        for (char c : word)
            if (c != '\t' && c != '\n' && c != '\r' && c != ',') out += c;
    }
    out += "\r\n";
}

std::string strategyText(const Strategy& s) {
    std::string out;
    out += "\r\n\r\n";
    appendTextLine(out, s.endNoteFolder);
    appendTextLine(out, s.palmInstallFolder);
    appendTextLine(out, s.palmBackupFolder);
    appendTextLine(out, s.hotSyncId);
    appendFieldNumbers(out, [&](int n) { return s.slots[n].maxLength; });
    appendFieldNumbers(out, [&](int n) { return s.slots[n].selected ? 1 : 0; });
    appendFieldNumbers(out, [&](int n) { return s.slots[n].fieldType; });
    appendFieldNumbers(out, [&](int n) { return s.slots[n].columnWidth; });
    for (int n = 1; n <= kFieldCount; ++n) appendPopupLine(out, n, s.slots[n].popupWords);
    for (std::int32_t value : {s.dataWidth, s.firstColumn, s.lockFlags}) {
        appendNumber(out, value);
        out += "\r\n";
    }
    return out;
}

// ---- writing ----

// Writes `text` through the output slot, which puts the file in place only when it is complete.
bool replaceFile(ConversionContext& ctx, OutputFile& out, const std::string& path,
                 std::string_view text, bool reportCreation) {
    if (!out.open(path)) {
        if (!reportCreation) return false;
        ctx.host.showMessage(MessageKind::Error, "Could not write the strategy file " + path +
                                                     ": " + out.failureReason());
        return false;
    }
    OutputFileGuard guard(out);
    out.write(text);
    if (!out.close()) {
        ctx.host.showMessage(MessageKind::Error, "Could not write the strategy file " + path +
                                                     ": " + out.failureReason());
        return false;
    }
    return true;
}

// ---- reading ----

// A byte source with one byte of look-ahead. peek() gives the byte, kEnd or kError.
constexpr int kEnd = -1;
constexpr int kError = -2;

class FileSource {
  public:
    explicit FileSource(std::FILE* file) : file_(file), buffer_(new char[kSize]) {}
    int peek() {
        if (pos_ == size_ && !fill()) return state_;
        return static_cast<unsigned char>(buffer_[pos_]);
    }
    void advance() { ++pos_; }

  private:
    static constexpr std::size_t kSize = 1 << 16;
    bool fill() {
        if (state_ != 0) return false;
        size_ = std::fread(buffer_.get(), 1, kSize, file_);
        pos_ = 0;
        if (size_ == 0) state_ = std::ferror(file_) ? kError : kEnd;
        return size_ != 0;
    }
    std::FILE* file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
    int state_ = 0;
};

class TextSource {
  public:
    explicit TextSource(std::string_view text) : text_(text) {}
    int peek() const {
        return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : kEnd;
    }
    void advance() { ++pos_; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

enum class LineResult { Line, End, Error };

// Reads one line as a text-mode line reader with a 32000-byte buffer does: CR LF counts as one
// line feed, and at most kStrategyLineLimit characters (the line feed included) are taken. The
// line feed itself is not stored.
template <typename Source>
LineResult readLine(Source& source, std::string& line) {
    line.clear();
    std::size_t taken = 0;
    while (taken < kStrategyLineLimit) {
        int c = source.peek();
        if (c == kError) return LineResult::Error;
        if (c == kEnd) break;
        source.advance();
        ++taken;
        if (c == '\r') {
            const int next = source.peek();
            if (next == kError) return LineResult::Error;
            if (next == '\n') {
                source.advance();
                c = '\n';
            }
        }
        if (c == '\n') return LineResult::Line;
        line += static_cast<char>(c);
    }
    return taken == 0 ? LineResult::End : LineResult::Line;
}

// Splits at commas; runs of commas count as one and give no empty token.
void splitTokens(std::string_view line, std::vector<std::string_view>& tokens) {
    tokens.clear();
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) comma = line.size();
        if (comma > start) tokens.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
}

bool toNumber(ConversionContext& ctx, std::string_view token, std::int32_t& value) {
    if (parseWholeNumber(token, value)) return true;
    ctx.host.showMessage(MessageKind::Error, notAnIntegerMessage(token));
    return false;
}

// Applies the tokens of line `number` (counted from 1). False after a token that is not a whole
// number, which ends the reading.
bool applyLine(ConversionContext& ctx, Strategy& s, int number,
               const std::vector<std::string_view>& tokens) {
    std::int32_t value = 0;
    if (number >= 3 && number <= 6) {
        std::string* settings[] = {&s.endNoteFolder, &s.palmInstallFolder, &s.palmBackupFolder,
                                   &s.hotSyncId};
        // The three folders are stored in the system's code page; the id is digits.
        if (!tokens.empty()) {
            const std::string value(tokens.back());
            *settings[number - 3] = number <= 5 ? ctx.system.textFromStored(value) : value;
        }
    } else if (number >= 7 && number <= 10) {
        for (std::size_t k = 1; k <= tokens.size() && k <= kFieldCount; ++k) {
            if (!toNumber(ctx, tokens[k - 1], value)) return false;
            FieldSlot& slot = s.slots[k];
            switch (number) {
                case 7:
                    slot.maxLength = value;
                    break;
                case 8:
                    slot.selected = value != 0;
                    break;
                case 9:
                    slot.fieldType = value;
                    break;
                default:
                    slot.columnWidth = value;
                    break;
            }
        }
    } else if (number >= kFirstPopupLine && number <= kLastPopupLine) {
        std::vector<std::string>& words = s.slots[number - kFirstPopupLine + 1].popupWords;
        // Token 1 is the label, whatever it says; the line number names the field. The list
        // never grows past its fixed size, even when a second read appends to it.
        for (std::size_t t = 1; t < tokens.size() && t <= kWordsReadPerLine; ++t) {
            if (words.size() >= kMaxPopupWords) break;
            words.emplace_back(tokens[t]);
        }
    } else if (number >= 42 && number <= 44) {
        std::int32_t* numbers[] = {&s.dataWidth, &s.firstColumn, &s.lockFlags};
        for (std::string_view token : tokens) {
            if (!toNumber(ctx, token, value)) return false;
            *numbers[number - 42] = value;
        }
    }
    return true;
}

template <typename Source>
StrategyRead readStrategy(ConversionContext& ctx, Strategy& strategy, Source& source) {
    std::string line;
    std::vector<std::string_view> tokens;
    for (int number = 1;; ++number) {
        ctx.host.pumpEvents();
        const LineResult result = readLine(source, line);
        if (result == LineResult::End) return StrategyRead::Read;
        if (result == LineResult::Error) {
            ctx.host.showMessage(MessageKind::Error, kReadErrorMessage);
            return StrategyRead::ReadError;
        }
        splitTokens(line, tokens);
        if (!applyLine(ctx, strategy, number, tokens)) return StrategyRead::NotANumber;
    }
}

}  // namespace

const std::vector<std::string>& defaultPopupWords(int n) {
    return defaultWordLists()[n];
}

std::string strategyFileText(const Strategy& strategy) {
    return strategyText(strategy);
}

std::string factoryDefaultsText() {
    std::string out;
    out += "\r\n\r\n";
    for (std::string_view folder : {"\\InFromEn", "\\Out2Palm", "\\Out2Palm", "0000"})
        appendTextLine(out, folder);
    appendFieldNumbers(out, [](int) { return kDefaultMaxLength; });
    appendFieldNumbers(out, [](int n) { return FieldCatalogue[n].selected ? 1 : 0; });
    appendFieldNumbers(out, [](int n) { return FieldCatalogue[n].fieldType; });
    appendFieldNumbers(out, [](int n) { return FieldCatalogue[n].columnWidth; });
    for (int n = 1; n <= kFactoryPopupLines; ++n) appendPopupLine(out, n, defaultPopupWords(n));
    return out;
}

StrategyRead readStrategyFile(ConversionContext& ctx, Strategy& strategy, const std::string& path) {
    std::FILE* file = openNativeFile(path, "rb");
    if (file == nullptr) return StrategyRead::CouldNotOpen;
    FileSource source(file);
    const StrategyRead result = readStrategy(ctx, strategy, source);
    std::fclose(file);
    return result;
}

StrategyRead readStrategyText(ConversionContext& ctx, Strategy& strategy, std::string_view text) {
    TextSource source(text);
    return readStrategy(ctx, strategy, source);
}

bool strategyTextComplete(std::string_view text) {
    if (text.empty() || text.back() != '\n') return false;
    std::size_t lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines >= kLastStrategyLine || lines == kFactoryLines;
}

bool writeStrategyFile(ConversionContext& ctx, const Strategy& strategy, OutputFile& output,
                       const std::string& path, bool reportFailure) {
    Strategy stored = strategy;
    for (std::string* folder :
         {&stored.endNoteFolder, &stored.palmInstallFolder, &stored.palmBackupFolder}) {
        std::optional<std::string> bytes = ctx.system.storedText(*folder);
        // The short (8.3) form names the same folder in plain ASCII.
        if (!bytes && !folder->empty())
            bytes = ctx.system.storedText(ctx.system.shortFolderPath(*folder));
        if (!bytes) {
            // A stand-in character would name another folder at the next start.
            if (!reportFailure) return false;
            ctx.host.showMessage(MessageKind::Error,
                                 "Could not write the strategy file " + path + ": the folder " +
                                     *folder + " has characters that the system's code page " +
                                     "cannot hold");
            return false;
        }
        *folder = *bytes;
    }
    return replaceFile(ctx, output, path, strategyText(stored), reportFailure);
}

bool writeFactoryDefaults(ConversionContext& ctx, OutputFile& output, const std::string& path) {
    // The caller falls back to the defaults in memory; a file that cannot be created is not
    // worth a message at start-up.
    return replaceFile(ctx, output, path, factoryDefaultsText(), false);
}

}  // namespace rq
