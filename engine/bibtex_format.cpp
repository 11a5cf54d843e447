// SPDX-License-Identifier: MIT
#include "engine/bibtex_format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/byte_scan.h"
#include "base/text.h"
#include "base/windows1252.h"

namespace rq {

namespace {

using namespace fields;

// BibTeX's identifier characters: letters, digits, bytes of UTF-8 characters and these.
constexpr ByteTable kNameChars = [] {
    ByteTable table = byteTable("!$&*+-./:;<>?@[]^_`|");
    for (int c = 0; c < 256; ++c)
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80)
            table[static_cast<std::size_t>(c)] = true;
    return table;
}();

bool isNameChar(char c) {
    return kNameChars[static_cast<unsigned char>(c)];
}

// The brace that closes a group whose content starts at `pos`; npos when none does. memchr
// finds the braces of long plain values (abstracts) many bytes at a time.
std::size_t closingBrace(std::string_view text, std::size_t pos) {
    const char* const s = text.data();
    const char* const end = s + text.size();
    const char* at = s + pos;
    const char* close = nullptr;  // the first '}' at `at` or after, once looked for
    for (int depth = 1;;) {
        if (close == nullptr || close < at) {
            close =
                static_cast<const char*>(std::memchr(at, '}', static_cast<std::size_t>(end - at)));
            if (close == nullptr) return std::string_view::npos;
        }
        if (const void* open = std::memchr(at, '{', static_cast<std::size_t>(close - at))) {
            ++depth;
            at = static_cast<const char*>(open) + 1;
        } else if (--depth == 0) {
            return static_cast<std::size_t>(close - s);
        } else {
            at = close + 1;
        }
    }
}

constexpr ByteTable kBracesAndQuote = byteTable("{}\"");
// The next brace or quote at `pos` or after; text.size() when there is none.
std::size_t nextBraceOrQuote(std::string_view text, std::size_t pos) {
    return findMarked(text, pos, kBracesAndQuote, [](std::uint64_t w) {
        return word::has(w, '{') | word::has(w, '}') | word::has(w, '"');
    });
}

bool isSpace(char c) {
    // One test for the bytes that are never blanks (most of those asked about) before the five.
    constexpr std::uint64_t kBlanks =
        1ULL << ' ' | 1ULL << '\t' | 1ULL << '\n' | 1ULL << '\r' | 1ULL << '\f';
    const auto b = static_cast<unsigned char>(c);
    return b <= ' ' && (kBlanks >> b & 1) != 0;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

constexpr std::string_view kMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};

// ---- LaTeX to text ----

char32_t combiningAccent(char command) {
    switch (command) {
        case '`':
            return 0x300;
        case '\'':
            return 0x301;
        case '^':
            return 0x302;
        case '~':
            return 0x303;
        case '=':
            return 0x304;
        case 'u':
            return 0x306;
        case '.':
            return 0x307;
        case '"':
            return 0x308;
        case 'r':
            return 0x30A;
        case 'H':
            return 0x30B;
        case 'v':
            return 0x30C;
        case 'd':
            return 0x323;
        case 'c':
            return 0x327;
        case 'k':
            return 0x328;
        case 'b':
            return 0x331;
        case 't':
            return 0x361;
        default:
            return 0;
    }
}

struct Symbol {
    std::string_view name;
    std::string_view text;  // UTF-8
};
constexpr Symbol kSymbols[] = {
    {"ss", "\xC3\x9F"},
    {"o", "\xC3\xB8"},
    {"O", "\xC3\x98"},
    {"aa", "\xC3\xA5"},
    {"AA", "\xC3\x85"},
    {"ae", "\xC3\xA6"},
    {"AE", "\xC3\x86"},
    {"oe", "\xC5\x93"},
    {"OE", "\xC5\x92"},
    {"l", "\xC5\x82"},
    {"L", "\xC5\x81"},
    {"i", "\xC4\xB1"},
    {"j", "\xC8\xB7"},
    {"dh", "\xC3\xB0"},
    {"DH", "\xC3\x90"},
    {"th", "\xC3\xBE"},
    {"TH", "\xC3\x9E"},
    {"ng", "\xC5\x8B"},
    {"NG", "\xC5\x8A"},
    {"dj", "\xC4\x91"},
    {"DJ", "\xC4\x90"},
    {"textendash", "\xE2\x80\x93"},
    {"textemdash", "\xE2\x80\x94"},
    {"ldots", "\xE2\x80\xA6"},
    {"dots", "\xE2\x80\xA6"},
    {"textellipsis", "\xE2\x80\xA6"},
    {"S", "\xC2\xA7"},
    {"P", "\xC2\xB6"},
    {"copyright", "\xC2\xA9"},
    {"pounds", "\xC2\xA3"},
    {"euro", "\xE2\x82\xAC"},
    {"texteuro", "\xE2\x82\xAC"},
    {"textregistered", "\xC2\xAE"},
    {"texttrademark", "\xE2\x84\xA2"},
    {"textdegree", "\xC2\xB0"},
    {"LaTeX", "LaTeX"},
    {"TeX", "TeX"},
    {"BibTeX", "BibTeX"},
    {"textquoteleft", "\xE2\x80\x98"},
    {"textquoteright", "\xE2\x80\x99"},
    {"textquotedblleft", "\xE2\x80\x9C"},
    {"textquotedblright", "\xE2\x80\x9D"},
    {"guillemotleft", "\xC2\xAB"},
    {"guillemotright", "\xC2\xBB"},
    {"textbackslash", "\\"},
    {"textasciitilde", "~"},
    {"textasciicircum", "^"},
    {"textunderscore", "_"},
    {"textbar", "|"},
    {"textless", "<"},
    {"textgreater", ">"},
    {"slash", "/"},
    {"textperiodcentered", "\xC2\xB7"},
    {"textsection", "\xC2\xA7"},
};

// The bytes the decoder stops at; a blank it stops at only before one of them, another blank or
// the text's end. Every other byte is copied in runs.
constexpr std::string_view kLatexLooked = "\\{}$~-\t\n\r\f";
constexpr std::array<bool, 256> kLatexSpecial = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : kLatexLooked) table[c] = true;
    table[' '] = true;
    return table;
}();

std::string decodeLatex(std::string_view latex);

class LatexDecoder {
  public:
    LatexDecoder(std::string_view in, std::string& out) : in_(in), out_(out) {}

    // Replaces `out` with the text; one blank for any run of blanks, none at the ends.
    void run() {
        out_.clear();
        out_.reserve(in_.size());
        while (pos_ < in_.size()) step();
    }
    // Appends the text to `out` as run() gives it, without a string of its own.
    void append() {
        start_ = out_.size();
        while (pos_ < in_.size()) step();
    }

  private:
    void flushBlank() {
        if (blank_) out_ += ' ';
        blank_ = false;
    }
    void put(char c) {
        if (isSpace(c)) {
            blank_ = out_.size() > start_;
            return;
        }
        flushBlank();
        out_ += c;
    }
    void putText(std::string_view text) {
        for (const char c : text) put(c);
    }

    // Whether a word of eight bytes may hold a byte to look at, or two blanks in a row.
    static std::uint64_t mayNeedLook(std::uint64_t w) {
        const std::uint64_t blanks = word::has(w, ' ');
        // With bit 5 set, '\\', '{', '}' and '~' are 0x7B to 0x7E: one test finds them (and a
        // few rare bytes besides, which only cost a closer look).
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
        const std::uint64_t fromBrace =
            (((w | word::kOnes * 0x20) & kLow7) + word::kOnes * (0x80 - '{')) & word::kHighBits;
        return fromBrace | word::has(w, '$') | word::has(w, '-') | word::hasBelow(w, 0x0E) |
               (blanks & blanks >> 8);
    }

    // The end of the plain run at pos_: the first byte to look at, where a blank between two
    // plain characters is plain (it stays as it is).
    std::size_t runEnd() const {
        const std::size_t n = in_.size();
        if (n - pos_ >= kLongRun) return longRunEnd();
        std::size_t run = pos_;
        for (;;) {
            // Words without such a byte are skipped seven bytes at a time, so that a blank at the
            // eighth byte is seen with the byte after it in the next word.
            if (run > pos_ || in_[run] != ' ')
                while (run + 8 <= n && mayNeedLook(word::load(in_.data() + run)) == 0) run += 7;
            const std::size_t stop = std::min(n, run + 8);
            while (run < stop) {
                if (!kLatexSpecial[static_cast<unsigned char>(in_[run])]) {
                    ++run;
                } else if (in_[run] == ' ' && run > pos_ && run + 1 < n &&
                           !kLatexSpecial[static_cast<unsigned char>(in_[run + 1])]) {
                    run += 2;
                } else {
                    return run;
                }
            }
            if (run >= n) return n;
        }
    }

    // runEnd() of a long text (an abstract): memchr finds each byte to look at many bytes at a
    // time, each search going no further than the nearest found so far; a word test then finds
    // the first two blanks in a row.
    static constexpr std::size_t kLongRun = 96;
    std::size_t longRunEnd() const {
        const char* const s = in_.data();
        if (s[pos_] == ' ') return pos_;
        std::size_t end = in_.size();
        for (const char c : kLatexLooked)
            if (const void* at = std::memchr(s + pos_, c, end - pos_))
                end = static_cast<std::size_t>(static_cast<const char*>(at) - s);
        // Words of eight bytes overlap by one, so that a pair across two words is in one of them.
        for (std::size_t at = pos_; at + 1 < end;) {
            if (at + 8 <= end) {
                const std::uint64_t blanks = word::has(word::load(s + at), ' ');
                if ((blanks & blanks >> 8) == 0) {
                    at += 7;
                    continue;
                }
            }
            for (const std::size_t stop = std::min(at + 7, end - 1); at < stop; ++at)
                if (s[at] == ' ' && s[at + 1] == ' ') return at;
        }
        // A blank before a byte to look at, or at the very end, is looked at too.
        return end > pos_ && s[end - 1] == ' ' ? end - 1 : end;
    }

    void step() {
        const std::size_t run = runEnd();
        if (run > pos_) {
            flushBlank();
            out_.append(in_, pos_, run - pos_);
            pos_ = run;
            if (pos_ >= in_.size()) return;
        }
        const char c = in_[pos_];
        switch (c) {
            case '\\':
                ++pos_;
                command();
                return;
            case '{':
            case '}':
            case '$':
                ++pos_;  // grouping and math delimiters go; their content stays
                return;
            case '~':
                ++pos_;
                put(' ');
                return;
            case '-':
                flushBlank();
                if (in_.substr(pos_, 3) == "---") {
                    out_ += "\xE2\x80\x94";
                    pos_ += 3;
                } else if (in_.substr(pos_, 2) == "--") {
                    out_ += "\xE2\x80\x93";
                    pos_ += 2;
                } else {
                    out_ += '-';
                    ++pos_;
                }
                return;
            default:
                put(c);
                ++pos_;
        }
    }

    void skipSpaces() {
        while (pos_ < in_.size() && isSpace(in_[pos_])) ++pos_;
    }

    // The letter an accent goes on: "o", "{o}", "{\i}", "\i", "{}".
    std::string accentArgument() {
        skipSpaces();
        if (pos_ >= in_.size()) return {};
        bool braced = false;
        if (in_[pos_] == '{') {
            braced = true;
            ++pos_;
        }
        std::string letter;
        if (pos_ < in_.size() && in_[pos_] == '\\') {
            // \i and \j under an accent are the plain letters.
            std::size_t k = pos_ + 1;
            while (k < in_.size() && std::isalpha(static_cast<unsigned char>(in_[k]))) ++k;
            const std::string_view name = in_.substr(pos_ + 1, k - pos_ - 1);
            if (name == "i" || name == "j") {
                letter = std::string(name);
                pos_ = k;
            }
        }
        if (letter.empty() && pos_ < in_.size() && in_[pos_] != '}') {
            char32_t c;
            std::size_t length = decodeUtf8(in_, pos_, c);
            if (length == 0) length = 1;
            letter = std::string(in_.substr(pos_, length));
            pos_ += length;
        }
        if (braced) {
            // The rest of the group, if any, is ordinary text.
            int depth = 1;
            const std::size_t start = pos_;
            while (pos_ < in_.size() && depth > 0) {
                if (in_[pos_] == '{') ++depth;
                if (in_[pos_] == '}') --depth;
                ++pos_;
            }
            const std::size_t end = depth == 0 ? pos_ - 1 : pos_;
            if (end > start) letter += decodeLatex(in_.substr(start, end - start));
        }
        return letter;
    }

    void command() {
        if (pos_ >= in_.size()) {
            put('\\');
            return;
        }
        const char c = in_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            if (const char32_t accent = combiningAccent(c)) {
                applyAccent(accent);
                return;
            }
            put(c == '\\' ? ' ' : c);  // \& \% \$ \# \_ \{ \}, a control space, a line break
            return;
        }
        std::size_t k = pos_;
        while (k < in_.size() && std::isalpha(static_cast<unsigned char>(in_[k]))) ++k;
        const std::string_view name = in_.substr(pos_, k - pos_);
        pos_ = k;
        // Letter accents take an argument only as one letter: \v{z}, \c c, \H o.
        if (name.size() == 1) {
            if (const char32_t accent = combiningAccent(name[0])) {
                applyAccent(accent);
                return;
            }
        }
        for (const Symbol& s : kSymbols) {
            if (s.name == name) {
                putText(s.text);
                // A control word eats the blanks after it; "{}" after it is empty.
                skipSpaces();
                if (in_.substr(pos_, 2) == "{}") pos_ += 2;
                return;
            }
        }
        // Any other command gives its argument (\emph, \textit, \url, ...); one without an
        // argument keeps its name.
        const std::size_t before = pos_;
        skipSpaces();
        if (pos_ < in_.size() && in_[pos_] == '{') return;  // the group follows as text
        pos_ = before;
        putText(name);
    }

    // The letter first, then the combining accent, which the transcoding joins to it.
    void applyAccent(char32_t accent) {
        const std::string letter = accentArgument();
        flushBlank();
        if (letter.empty()) {
            appendUtf8(out_, accent);
            return;
        }
        char32_t c;
        const std::size_t first = std::max<std::size_t>(1, decodeUtf8(letter, 0, c));
        out_.append(letter, 0, first);
        appendUtf8(out_, accent);
        out_.append(letter, first);
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    std::string& out_;
    std::size_t start_ = 0;  // where this text starts in out_
    bool blank_ = false;
};

std::string decodeLatex(std::string_view latex) {
    std::string out;
    LatexDecoder(latex, out).run();
    return out;
}

// ---- Names ----

// Splits at depth-0 occurrences of the word `and` (any case) between blanks.
// The names into `names`, whose room is kept from list to list.
void splitNames(std::string_view list, std::vector<std::string_view>& names) {
    names.clear();
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (c == '{') ++depth;
        if (c == '}') --depth;
        if (depth != 0 || !isSpace(c)) continue;
        if (i + 4 < list.size() && equalsIgnoringAsciiCase(list.substr(i + 1, 3), "and") &&
            isSpace(list[i + 4])) {
            names.push_back(trimBlanks(list.substr(start, i - start)));
            start = i + 5;
            i += 4;
        }
    }
    names.push_back(trimBlanks(list.substr(start)));
    std::erase_if(names, [](std::string_view n) { return n.empty(); });
}

// Splits at depth-0 blanks or commas.
std::vector<std::string_view> splitAtDepth0(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        const char c = end ? separator : text[i];
        if (!end && c == '{') ++depth;
        if (!end && c == '}') --depth;
        const bool split = separator == ' ' ? isSpace(c) || c == '~' : c == separator;
        if (end || (depth == 0 && split)) {
            const std::string_view part = trimBlanks(text.substr(start, i - start));
            if (!part.empty() || separator == ',') parts.push_back(part);
            start = i + 1;
        }
    }
    return parts;
}

// A von word starts with a lower-case letter at depth 0 (or in a special character's group).
bool isVonWord(std::string_view word) {
    if (word.empty()) return false;
    if (word[0] == '{') {
        if (word.size() > 2 && word[1] == '\\') {
            const std::string decoded = decodeLatex(word);
            return !decoded.empty() && std::islower(static_cast<unsigned char>(decoded[0]));
        }
        return false;
    }
    return std::islower(static_cast<unsigned char>(word[0])) != 0;
}

std::string joinWords(const std::vector<std::string_view>& words, std::size_t from,
                      std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i) {
        if (!out.empty()) out += ' ';
        out += words[i];
    }
    return out;
}

// "von Last, First" (or "von Last, Jr, First") from any of BibTeX's three forms.
std::string catalogueName(std::string_view name) {
    if (equalsIgnoringAsciiCase(name, "others")) return "et al.";
    // The first three commas at depth 0 part the name.
    std::size_t commas[3];
    int commaCount = 0;
    int depth = 0;
    for (std::size_t i = 0; i < name.size() && commaCount < 3; ++i) {
        if (name[i] == '{') ++depth;
        if (name[i] == '}') --depth;
        if (depth == 0 && name[i] == ',') commas[commaCount++] = i;
    }
    const auto part = [&](int k) {
        const std::size_t from = k == 0 ? 0 : commas[k - 1] + 1;
        const std::size_t to = k < commaCount ? commas[k] : name.size();
        return trimBlanks(name.substr(from, to - from));
    };
    std::string_view last;
    std::string_view jr;
    std::string_view first;
    std::string lastWords;
    std::string firstWords;
    if (commaCount == 0) {
        const std::vector<std::string_view> words = splitAtDepth0(name, ' ');
        if (words.empty()) return {};
        // First: up to the first von word; Last: after the last von word (at least one word).
        std::size_t vonStart = words.size() - 1;
        for (std::size_t i = 0; i + 1 < words.size(); ++i) {
            if (isVonWord(words[i])) {
                vonStart = i;
                break;
            }
        }
        std::size_t lastStart = words.size() - 1;
        if (vonStart < words.size() - 1) {
            lastStart = vonStart;
            for (std::size_t i = vonStart; i + 1 < words.size(); ++i)
                if (isVonWord(words[i])) lastStart = i + 1;
        }
        firstWords = joinWords(words, 0, vonStart);
        lastWords = joinWords(words, vonStart, words.size());
        first = firstWords;
        last = lastWords;
        (void)lastStart;
    } else {
        last = part(0);
        if (commaCount >= 2) {
            jr = part(1);
            first = part(2);
        } else {
            first = part(1);
        }
    }
    // Decoded straight into the result: this runs for every name of every record.
    std::string out;
    LatexDecoder(last, out).append();
    if (!jr.empty()) {
        out += ", ";
        LatexDecoder(jr, out).append();
    }
    const std::size_t before = out.size();
    out += ", ";
    LatexDecoder(first, out).append();
    if (out.size() == before + 2) out.resize(before);  // no first name
    return out;
}

// ---- Entries ----

// The fields the catalogue takes; others are counted as dropped.
constexpr std::string_view kMapped[] = {
    "author",     "title",       "subtitle",     "journal",    "journaltitle", "booktitle",
    "eventtitle", "series",      "editor",       "address",    "location",     "publisher",
    "school",     "institution", "organization", "volume",     "number",       "issue",
    "pages",      "pagetotal",   "callnumber",   "keywords",   "abstract",     "note",
    "annote",     "annotation",  "volumes",      "edition",    "month",        "day",
    "date",       "year",        "type",         "translator", "shortjournal", "isbn",
    "issn",       "url",         "howpublished", "doi",        "crossref"};

// A field of kMapped by its place, found when compiling: a name that is not there does not
// compile, and no name is looked up while reading.
struct MappedName {
    std::size_t id;
    consteval MappedName(const char* name) : id(find(name)) {}  // NOLINT: literals convert

  private:
    static consteval std::size_t find(std::string_view name) {
        for (std::size_t i = 0; i < std::size(kMapped); ++i)
            if (kMapped[i] == name) return i;
        throw "not a field of kMapped";
    }
};

// The places in kMapped of the names that start with each letter, -1 after them.
constexpr auto kMappedByLetter = [] {
    std::array<std::array<std::int8_t, 8>, 26> table{};
    for (auto& row : table) row.fill(-1);
    for (std::size_t i = 0; i < std::size(kMapped); ++i) {
        auto& row = table[static_cast<std::size_t>(kMapped[i][0] - 'a')];
        std::size_t k = 0;
        while (row[k] >= 0) ++k;  // out of range, so no compiling, if a letter had too many
        row[k] = static_cast<std::int8_t>(i);
    }
    return table;
}();

// The place of a field name in kMapped, in any letter case; -1 for others. Only the few names
// with the same first letter are compared: this runs for every field of every entry.
int mappedId(std::string_view name) {
    char lowered[24];
    if (name.empty() || name.size() > sizeof lowered) return -1;
    for (std::size_t i = 0; i < name.size(); ++i) lowered[i] = lowerAscii(name[i]);
    const std::string_view key(lowered, name.size());
    const auto first = static_cast<unsigned char>(key[0]);
    if (first < 'a' || first > 'z') return -1;
    for (const std::int8_t id : kMappedByLetter[first - 'a']) {
        if (id < 0) break;
        if (kMapped[static_cast<std::size_t>(id)] == key) return id;
    }
    return -1;
}

// A field that the catalogue takes: its value after macros and '#', and its place in kMapped.
class MappedField {
  public:
    MappedField(std::string_view value, int id)
        : value_(value), id_(static_cast<std::size_t>(id)) {}
    std::string_view value() const { return value_; }
    std::size_t id() const { return id_; }

  private:
    std::string_view value_;
    std::size_t id_;
};

// An entry as the parser gives it. Its views hold until the parser reads on.
struct ParsedEntry {
    long line = 0;
    std::string_view type;  // as written
    std::string_view key;
    int unmapped = 0;  // fields with a value that the catalogue does not take
    std::vector<MappedField> fields;
    bool whole = true;  // all its catalogue fields are in `fields`, not only crossref
};

// Reads the entries one by one through a window of the text. An item (an entry, a macro, a
// comment) whose parse reaches the window's end is parsed again with more text in, so every
// item is read as the whole text would read it while the window holds one item and a block.
class BibTeXParser {
  public:
    // Whether an entry's fields are all wanted, asked once its key is read.
    using WantEntry = std::function<bool(std::string_view key)>;

    // A parser that reads every entry whole and tells lines, notes and the syntax error.
    BibTeXParser(TextInput& input, std::string path) : input_(input), path_(std::move(path)) {
        defineMonths();
    }
    // A parser that skims: of most entries only the key and the crossref fields, of those that
    // `want` names every field; no lines, no notes, no message for the syntax error.
    BibTeXParser(TextInput& input, WantEntry want)
        : input_(input), skim_(true), want_(std::move(want)) {
        defineMonths();
    }

    // The next entry; false at the end of the text or at the first syntax error (failed() and
    // problem() then tell it).
    bool next(ParsedEntry& entry) {
        while (!done_) {
            const std::size_t notes = notes_.size();
            hitEnd_ = false;
            store_.clear();
            const Item item = parseItem(entry);
            if ((hitEnd_ || pos_ >= text_.size()) && !ended_) {
                notes_.resize(notes);  // told again, or not at all, when parsed again
                problem_.clear();
                defined_.reset();
                readMore();
                continue;
            }
            // A macro is defined once its item is taken: read again, it must not see itself.
            if (defined_) {
                macros_[defined_->first] = std::move(defined_->second);
                defined_.reset();
                recent_.fill({});
            }
            if (item == Item::Entry) return true;
            done_ = item != Item::Other;
            failed_ = item == Item::Failed;
        }
        return false;
    }

    bool failed() const { return failed_; }
    const std::string& problem() const { return problem_; }
    std::vector<std::string>& notes() { return notes_; }

  private:
    enum class Item { Entry, Other, End, Failed };

    void defineMonths() {
        static constexpr std::string_view kShort[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};
        for (std::size_t m = 0; m < 12; ++m) macros_[std::string(kShort[m])] = kMonths[m];
    }

    // Drops the text before the item being parsed and reads on: at least as much again as the
    // window still holds, so that a long item is parsed again only a few times.
    void readMore() {
        if (!skim_) firstLine_ = lineAt(itemStart_);
        text_.erase(0, itemStart_);
        lineOffset_ = 0;
        pos_ = 0;
        itemStart_ = 0;
        recent_.fill({});  // their spellings stood in the dropped text
        const std::size_t want = 2 * text_.size();
        do {
            // The skim checks an undecided encoding as it goes (one reading less).
            if (!(skim_ ? input_.readChecking(text_) : input_.read(text_))) {
                ended_ = true;
                break;
            }
        } while (text_.size() < want);
    }

    Item parseItem(ParsedEntry& entry) {
        const std::size_t at = text_.find('@', pos_);
        if (at == std::string::npos) {
            pos_ = itemStart_ = text_.size();  // a comment; none of it is kept
            return Item::End;
        }
        itemStart_ = at;
        pos_ = at + 1;
        const std::size_t typeStart = pos_;
        pos_ = scan(pos_, [](char c) { return isNameChar(c) && c != '@'; });
        const std::string_view type = view(typeStart, pos_);
        if (type.empty()) return Item::Other;  // a lone '@' in a comment
        const auto is = [type](std::string_view word) {
            return equalsIgnoringAsciiCase(type, word);
        };
        skipSpaces();
        if (pos_ >= text_.size() || (text_[pos_] != '{' && text_[pos_] != '(')) {
            if (is("comment")) return Item::Other;
            fail("'{' or '(' after @" + lower(type));
            return Item::Failed;
        }
        const char close = text_[pos_] == '{' ? '}' : ')';
        const long line = skim_ ? 0 : lineAt(at);
        ++pos_;
        if (is("comment") || is("preamble")) {
            skipGroup(close);
            return Item::Other;
        }
        if (is("string")) return parseString(close) ? Item::Other : Item::Failed;
        entry.type = type;
        entry.line = line;
        entry.unmapped = 0;
        entry.fields.clear();
        return parseEntry(entry, close) ? Item::Entry : Item::Failed;
    }

    std::string_view view(std::size_t from, std::size_t to) const {
        return std::string_view(text_).substr(from, to - from);
    }

    // The first position at `from` or after whose byte is not `taken`; the window's end if none.
    // The position stays in a register, not in the member.
    template <typename Taken>
    std::size_t scan(std::size_t from, Taken taken) const {
        const char* const s = text_.data();
        const std::size_t n = text_.size();
        while (from < n && taken(s[from])) ++from;
        return from;
    }

    void skipSpaces() { pos_ = scan(pos_, isSpace); }

    long lineAt(std::size_t offset) {
        if (offset < lineOffset_) {
            lineOffset_ = 0;
            line_ = firstLine_;
        }
        // One count over the span: a call per line costs more.
        line_ += static_cast<long>(countByte(view(lineOffset_, offset), '\n'));
        lineOffset_ = offset;
        return line_;
    }

    void fail(const std::string& expected) {
        if (skim_) return;
        problem_ = path_ + ", line " + std::to_string(lineAt(std::min(pos_, text_.size()))) +
                   ": expected " + expected;
    }

    void skipGroup(char close) {
        int depth = 0;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '{') {
                ++depth;
            } else if (c == '}') {
                if (close == '}' && depth == 0) return;
                --depth;
            } else if (c == close && depth == 0) {
                return;
            }
        }
    }

    std::string_view name() {
        const std::size_t start = pos_;
        pos_ = scan(pos_, isNameChar);
        return view(start, pos_);
    }

    // The value of a macro; nullopt for an undefined one.
    std::optional<std::string_view> macroValue(std::string_view macro) {
        for (const auto& [spelling, value] : recent_)
            if (spelling == macro) return value;
        const auto found = macros_.find(lower(macro));
        if (found == macros_.end()) return std::nullopt;
        recent_[nextRecent_++ % recent_.size()] = {macro, found->second};
        return found->second;
    }

    // A value: pieces joined by '#'. False after a syntax error. Unless `evaluate`, the value
    // is only passed over: no macro is looked up and `result` is left alone.
    bool value(std::string_view& result, bool evaluate = true) {
        const std::string_view text = text_;
        std::string joined;
        std::string_view single;
        int pieces = 0;
        for (;;) {
            skipSpaces();
            if (pos_ >= text.size()) {
                fail("a value");
                return false;
            }
            std::string_view piece;
            const char c = text[pos_];
            if (c == '{') {
                const std::size_t start = ++pos_;
                const std::size_t end = closingBrace(text, start);
                if (end == std::string_view::npos) {
                    hitEnd_ = true;
                    fail("'}' closing the value");
                    return false;
                }
                piece = text.substr(start, end - start);
                pos_ = end + 1;
            } else if (c == '"') {
                const std::size_t start = ++pos_;
                int depth = 0;
                while ((pos_ = nextBraceOrQuote(text, pos_)) < text.size() &&
                       (text[pos_] != '"' || depth > 0)) {
                    if (text[pos_] == '{') ++depth;
                    if (text[pos_] == '}') --depth;
                    ++pos_;
                }
                if (pos_ >= text.size()) {
                    hitEnd_ = true;
                    pos_ = start;
                    fail("'\"' closing the value");
                    return false;
                }
                piece = text.substr(start, pos_ - start);
                ++pos_;
            } else if (std::isdigit(static_cast<unsigned char>(c))) {
                const std::size_t start = pos_;
                pos_ = scan(pos_, [](char d) { return d >= '0' && d <= '9'; });
                piece = text.substr(start, pos_ - start);
            } else if (isNameChar(c)) {
                const std::string_view macro = name();
                if (!evaluate) {
                    // passed over
                } else if (const std::optional<std::string_view> defined = macroValue(macro)) {
                    piece = *defined;
                } else {
                    piece = macro;  // kept as its name, and told
                    if (!skim_)
                        notes_.push_back(path_ + ", line " + std::to_string(lineAt(pos_)) +
                                         ": undefined macro " + std::string(macro) +
                                         " kept as its name");
                }
            } else {
                fail("a value in braces, quotes, a number or a macro name");
                return false;
            }
            if (!evaluate) {
                // nothing is joined
            } else if (pieces++ == 0) {
                single = piece;
            } else {
                if (pieces == 2) joined.assign(single);
                joined.append(piece);
            }
            skipSpaces();
            if (pos_ < text.size() && text[pos_] == '#') {
                ++pos_;
                continue;
            }
            break;
        }
        if (!evaluate) return true;
        if (pieces == 1) {
            result = single;
        } else {
            store_.push_back(std::move(joined));
            result = store_.back();
        }
        return true;
    }

    bool parseString(char close) {
        skipSpaces();
        const std::string_view macro = name();
        skipSpaces();
        if (macro.empty() || pos_ >= text_.size() || text_[pos_] != '=') {
            fail(macro.empty() ? "a macro name after @string" : "'=' after the macro name");
            return false;
        }
        ++pos_;
        std::string_view v;
        if (!value(v)) return false;
        defined_.emplace(lower(macro), std::string(v));
        skipSpaces();
        if (pos_ < text_.size() && text_[pos_] == close) ++pos_;
        return true;
    }

    // The entry's key and fields: those the catalogue takes into `entry.fields`, the others
    // counted.
    bool parseEntry(ParsedEntry& entry, char close) {
        skipSpaces();
        const std::size_t keyStart = pos_;
        pos_ = scan(pos_, [close](char c) { return c != ',' && c != close && !isSpace(c); });
        entry.key = view(keyStart, pos_);
        entry.whole = !skim_ || want_(entry.key);
        const bool whole = entry.whole;
        for (;;) {
            skipSpaces();
            if (pos_ >= text_.size()) {
                fail(std::string("'") + close + "' closing the entry " + std::string(entry.key));
                return false;
            }
            if (text_[pos_] == close) {
                ++pos_;
                return true;
            }
            if (text_[pos_] != ',') {
                fail(std::string("',' or '") + close + "' after a field of " +
                     std::string(entry.key));
                return false;
            }
            ++pos_;
            skipSpaces();
            if (pos_ < text_.size() && text_[pos_] == close) continue;  // a trailing comma
            const std::string_view field = name();
            skipSpaces();
            if (field.empty() || pos_ >= text_.size() || text_[pos_] != '=') {
                fail(field.empty() ? "a field name in " + std::string(entry.key)
                                   : "'=' after the field name " + std::string(field));
                return false;
            }
            ++pos_;
            const int id = whole                                        ? mappedId(field)
                           : equalsIgnoringAsciiCase(field, "crossref") ? kCrossrefId
                                                                        : -1;
            std::string_view v;
            if (!value(v, id >= 0 || whole)) return false;
            if (id >= 0) {
                entry.fields.emplace_back(v, id);
            } else if (!trimBlanks(v).empty()) {
                ++entry.unmapped;
            }
        }
    }

    static constexpr int kCrossrefId = static_cast<int>(MappedName("crossref").id);

    TextInput& input_;
    std::string path_;
    bool skim_ = false;
    WantEntry want_;
    std::string text_;    // the window: the item being parsed and the text read after it
    bool ended_ = false;  // the window holds the rest of the text
    bool done_ = false;
    bool failed_ = false;
    bool hitEnd_ = false;  // the item's parse reached the window's end
    std::size_t pos_ = 0;
    std::size_t itemStart_ = 0;
    std::size_t lineOffset_ = 0;
    long line_ = 1;
    long firstLine_ = 1;  // of the window's first byte
    std::unordered_map<std::string, std::string> macros_;
    std::optional<std::pair<std::string, std::string>> defined_;  // by the item being parsed
    // The macros last found, by their spelling: files use a few (months, journals) over and over,
    // and this spares hashing their names each time.
    std::array<std::pair<std::string_view, std::string_view>, 8> recent_{};
    std::size_t nextRecent_ = 0;
    std::deque<std::string> store_;  // the item's joined values; a deque keeps their addresses
    std::string problem_;
    std::vector<std::string> notes_;
};

// Entry numbers by citation key in any letter case, the first entry of a key winning. The keys
// are kept (in lower case) in one string: the text they stood in is read past.
class KeyTable {
  public:
    static constexpr std::size_t kNone = ~std::size_t{0};

    // Enters the key for entry `at` unless an earlier entry has it; true when it is the first.
    bool add(std::string_view key, std::size_t at) {
        if (2 * (count_ + 1) > slots_.size()) grow();
        Slot& slot = slots_[slotOf(key)];
        if (slot.at != kNone) return false;
        slot = {keys_.size(), key.size(), at};
        for (const char c : key) keys_ += lowerAscii(c);
        ++count_;
        return true;
    }
    // The number of the first entry with the key; kNone when there is none.
    std::size_t find(std::string_view key) const {
        return slots_.empty() ? kNone : slots_[slotOf(key)].at;
    }

  private:
    struct Slot {
        std::size_t offset = 0;
        std::size_t size = 0;
        std::size_t at = kNone;
    };

    static std::uint64_t hash(std::string_view key) {
        std::uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a
        for (const char c : key)
            h = (h ^ static_cast<unsigned char>(lowerAscii(c))) * 0x100000001b3ULL;
        return h;
    }
    // The slot that holds the key, else the free one where it would go.
    std::size_t slotOf(std::string_view key) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t s = static_cast<std::size_t>(hash(key)) & mask;; s = (s + 1) & mask) {
            const Slot& slot = slots_[s];
            if (slot.at == kNone ||
                equalsIgnoringAsciiCase(std::string_view(keys_).substr(slot.offset, slot.size),
                                        key))
                return s;
        }
    }
    void grow() {
        std::vector<Slot> old =
            std::exchange(slots_, std::vector<Slot>(std::max<std::size_t>(16, 2 * slots_.size())));
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.at == kNone) continue;
            std::size_t s = static_cast<std::size_t>(
                                hash(std::string_view(keys_).substr(slot.offset, slot.size))) &
                            mask;
            while (slots_[s].at != kNone) s = (s + 1) & mask;
            slots_[s] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::string keys_;
    std::size_t count_ = 0;
};

// An entry that a crossref names, its catalogue fields copied out of the text.
struct StoredEntry {
    std::string text;
    std::vector<MappedField> fields;

    explicit StoredEntry(const ParsedEntry& e) {
        std::size_t size = 0;
        for (const MappedField& f : e.fields) size += f.value().size();
        text.reserve(size);
        for (const MappedField& f : e.fields) text += f.value();
        fields.reserve(e.fields.size());
        std::size_t at = 0;
        for (const MappedField& f : e.fields) {
            fields.emplace_back(std::string_view(text).substr(at, f.value().size()),
                                static_cast<int>(f.id()));
            at += f.value().size();
        }
    }
    StoredEntry(const StoredEntry&) = delete;  // the fields point into the text
    StoredEntry& operator=(const StoredEntry&) = delete;
};

// The file is read twice. The first reading skims: it checks the encoding and finds the entries
// that a crossref names, keeping those that stand after an entry naming them. The second builds
// the records, keeps the named entries that come before their child, and tells the undefined
// macros beside their record and the syntax error after the last. Neither holds more than a
// window of the text.
class BibTeXSource : public RecordSource {
  public:
    explicit BibTeXSource(TextInput& input) : input_(input) {
        const bool failed = findParents();
        if (!failed && entryCount_ == 0 && !input.failed())
            problem_ = input.path() + ": no BibTeX entry (no line \"@type{key, ...}\") in the file";
        input.rewind();
        reader_ = std::make_unique<BibTeXParser>(input, input.path());
    }

    // The notes of an entry come with its record; the syntax error after the last record.
    bool next(ReferenceRecord& record) override {
        for (;;) {
            const bool more = reader_->next(entry_);
            std::vector<std::string>& notes = reader_->notes();
            notes_.insert(notes_.end(), std::make_move_iterator(notes.begin()),
                          std::make_move_iterator(notes.end()));
            notes.clear();
            if (!more) {
                if (problem_.empty()) problem_ = reader_->problem();
                return false;
            }
            const std::size_t at = next_++;
            if (upTo(keptOnSecondReading_, keepCursor_, at, std::identity())) keep(at);
            type_.assign(entry_.type);
            for (char& c : type_) c = lowerAscii(c);
            // Sets of entries and data containers are not references.
            if (type_ == "set" || type_ == "xdata") continue;
            build(at, record);
            return true;
        }
        return false;
    }

  private:
    void keep(std::size_t at) { kept_.try_emplace(at, entry_); }

    // The first reading; true when it stopped at a syntax error. Read again when it found the
    // file not to be UTF-8.
    bool findParents() {
        for (;;) {
            const bool guessed = !input_.decided();
            const bool failed = skim();
            // A skim cut short by a syntax error leaves the encoding to the rest of the file.
            if (!input_.changedEncoding() && (!guessed || input_.encoding() == TextEncoding::Utf8))
                return failed;
            kept_.clear();
            parents_.clear();
            keptOnSecondReading_.clear();
            input_.rewind();
        }
    }

    bool skim() {
        KeyTable keys;
        std::unordered_set<std::string> named;  // the keys crossrefs name so far, in lower case
        // Whether an entry with this key, named by an earlier crossref, is the first of its key.
        const auto namedFirst = [&](std::string_view key) {
            return !named.empty() && named.contains(lower(key)) &&
                   keys.find(key) == KeyTable::kNone;
        };
        BibTeXParser parser(input_, namedFirst);
        std::vector<std::pair<std::size_t, std::string>> crossrefs;  // entry, key it names
        std::size_t at = 0;
        for (; parser.next(entry_); ++at) {
            const bool keepIt = entry_.whole;  // the skim asked namedFirst() for it
            for (const MappedField& f : entry_.fields) {
                if (f.id() != MappedName("crossref").id) continue;
                crossrefs.emplace_back(at, trimBlanks(f.value()));
                named.insert(lower(crossrefs.back().second));
            }
            keys.add(entry_.key, at);
            if (keepIt) keep(at);
        }
        entryCount_ = at;
        // An entry's parent: the first entry of the key its first crossref naming another entry
        // names. Those before their child are kept when the second reading passes them.
        for (const auto& [child, key] : crossrefs) {
            if (!parents_.empty() && parents_.back().first == child) continue;
            const std::size_t found = keys.find(key);
            if (found == KeyTable::kNone || found == child) continue;
            parents_.emplace_back(child, found);
            if (found < child) keptOnSecondReading_.push_back(found);
        }
        std::sort(keptOnSecondReading_.begin(), keptOnSecondReading_.end());
        std::unordered_set<std::size_t> used;
        for (const auto& [child, parent] : parents_) used.insert(parent);
        std::erase_if(kept_, [&](const auto& e) { return !used.contains(e.first); });
        return parser.failed();
    }

    // Whether the list, in order of entry numbers, holds `at`: its cursor moves on to it, as the
    // second reading goes through the entries in turn.
    template <typename List, typename Number>
    static bool upTo(const List& list, std::size_t& cursor, std::size_t at, Number number) {
        while (cursor < list.size() && number(list[cursor]) < at) ++cursor;
        return cursor < list.size() && number(list[cursor]) == at;
    }

    // The entry that the first crossref naming another entry names; null when there is none.
    const StoredEntry* parentOf(std::size_t at) {
        if (!upTo(parents_, parentCursor_, at, [](const auto& p) { return p.first; }))
            return nullptr;
        const auto found = kept_.find(parents_[parentCursor_].second);
        return found == kept_.end() ? nullptr : &found->second;
    }

    using MappedValues = std::array<std::optional<std::string_view>, std::size(kMapped)>;
    // The entry's fields by their place in kMapped, the first of a name winning.
    static void index(const std::vector<MappedField>& fields, MappedValues& values) {
        values.fill(std::nullopt);
        for (const MappedField& f : fields) {
            std::optional<std::string_view>& value = values[f.id()];
            if (!value) value = f.value();
        }
    }

    // A field of the entry, else of the entry its crossref names.
    std::string_view raw(MappedName name) const {
        if (ownValues_[name.id]) return *ownValues_[name.id];
        if (parent_ != nullptr && parentValues_[name.id]) return *parentValues_[name.id];
        return {};
    }
    // The field as text into `out`, whose room is kept from record to record.
    void text(std::string& out, MappedName name) const { LatexDecoder(raw(name), out).run(); }
    void firstText(std::string& out, std::initializer_list<MappedName> names) const {
        for (const MappedName n : names) {
            text(out, n);
            if (!out.empty()) return;
        }
    }
    std::string text(MappedName name) const { return decodeLatex(raw(name)); }

    // Absent fields (most editors and translators) go without a list of their own.
    void names(ReferenceRecord& r, int field, MappedName name) {
        const std::string_view value = raw(name);
        if (value.empty()) return;
        splitNames(value, nameParts_);
        for (std::string_view n : nameParts_) r.addLine(field, catalogueName(n));
    }
    // A list field (location, publisher) joined with "; ".
    std::string list(MappedName name) {
        std::string out;
        const std::string_view value = raw(name);
        if (value.empty()) return out;
        splitNames(value, nameParts_);
        for (std::string_view n : nameParts_) {
            if (!out.empty()) out += "; ";
            out += decodeLatex(n);
        }
        return out;
    }

    void build(std::size_t at, ReferenceRecord& r) {
        const ParsedEntry& e = entry_;
        const int unmapped = e.unmapped;
        index(e.fields, ownValues_);
        parent_ = parentOf(at);
        if (parent_ != nullptr) index(parent_->fields, parentValues_);
        r.clear();
        r.line = e.line;
        const std::string_view t = type_;  // compared by size first
        const bool hasAuthor = !raw("author").empty();
        const bool hasEditor = !raw("editor").empty();
        const bool bookLike = t == "book" || t == "mvbook" || t == "manual" || t == "collection" ||
                              t == "mvcollection";
        const bool chapter = t == "incollection" || t == "inbook" || t == "inreference";
        const bool paper = t == "inproceedings" || t == "conference";
        const bool thesis = t == "phdthesis" || t == "mastersthesis" || t == "thesis";
        const bool report = t == "techreport" || t == "report";

        std::string_view type = "Generic";
        if (t == "article")
            type = "Journal Article";
        else if (bookLike)
            type = (hasEditor && !hasAuthor) ? "Edited Book" : "Book";
        else if (chapter)
            type = "Book Section";
        else if (paper || t == "proceedings")
            type = "Conference Proceedings";
        else if (thesis)
            type = "Thesis";
        else if (report)
            type = "Report";
        else if (t == "unpublished")
            type = "Unpublished Work";
        else if (t == "online" || t == "electronic" || t == "www")
            type = "Web Page";
        else if (t == "patent")
            type = "Patent";
        else if (t == "software")
            type = "Computer Program";
        else if (t == "booklet")
            type = "Pamphlet";
        r.values[kType] = type;

        names(r, kAuthor, "author");
        std::string& year = r.values[kYear];
        text(year, "year");
        if (year.empty()) {
            text(scratch_, "date");
            if (scratch_.size() >= 4) year.assign(scratch_, 0, 4);
        }

        std::string& title = r.values[kTitle];
        text(title, "title");
        text(scratch_, "subtitle");
        if (!scratch_.empty()) {
            const bool punct = !title.empty() && std::strchr(".?!:;", title.back()) != nullptr;
            title += title.empty() ? "" : punct ? " " : ": ";
            title += scratch_;
        }

        if (t == "article") {
            firstText(r.values[kSecondaryTitle], {"journal", "journaltitle"});
        } else if (chapter || paper) {
            firstText(r.values[kSecondaryTitle], {"booktitle", "eventtitle"});
            // BibLaTeX's inheritance: the parent's title is the child's booktitle.
            if (r.values[kSecondaryTitle].empty() && parent_ != nullptr &&
                !ownValues_[MappedName("booktitle").id])
                if (const auto& v = parentValues_[MappedName("title").id])
                    r.values[kSecondaryTitle] = decodeLatex(*v);
        } else if (bookLike || thesis || report || t == "proceedings") {
            text(r.values[kSecondaryTitle], "series");
        }
        if (bookLike && hasAuthor) {
            names(r, kTertiaryAuthor, "editor");
        } else {
            names(r, kSecondaryAuthor, "editor");
        }
        r.values[kPlace] = raw("address").empty() ? list("location") : list("address");
        std::string& publisher = r.values[kPublisher];
        text(publisher, "publisher");
        if (publisher.empty() && thesis) text(publisher, "school");
        if (publisher.empty() && (thesis || report)) text(publisher, "institution");
        if (publisher.empty() && t == "manual") text(publisher, "organization");
        text(r.values[kVolume], "volume");
        firstText(r.values[kNumber], {"number", "issue"});
        std::string& pages = scratch_;
        pages.assign(raw("pages"));
        for (std::size_t at; (at = pages.find("--")) != std::string::npos;)
            pages.replace(at, pages.compare(at, 3, "---") == 0 ? 3 : 2, "-");
        LatexDecoder(pages, r.values[kPages]).run();
        if (r.values[kPages].empty() && bookLike) text(r.values[kPages], "pagetotal");
        text(r.values[kCallNumber], "callnumber");
        const std::string& keywords = scratch_;
        text(scratch_, "keywords");
        for (std::size_t pos = 0;;) {
            const std::size_t end = keywords.find_first_of(",;", pos);
            r.addLine(kKeywords, std::string_view(keywords).substr(
                                     pos, end == std::string::npos ? end : end - pos));
            if (end == std::string::npos) break;
            pos = end + 1;
        }
        text(r.values[kAbstract], "abstract");
        for (const MappedName n :
             std::initializer_list<MappedName>{"note", "annote", "annotation"}) {
            text(scratch_, n);
            r.addLine(kNotes, scratch_);
        }
        text(r.values[kNumberOfVolumes], "volumes");
        if (t == "incollection" || paper || t == "article")
            text(r.values[kTertiaryTitle], "series");
        text(r.values[kEdition], "edition");
        r.values[kDate] = dateText();
        std::string& work = r.values[kTypeOfWork];
        text(work, "type");
        if (work.empty() && t == "mastersthesis") work = "Master's thesis";
        if (work.empty() && t == "phdthesis") work = "PhD thesis";
        names(r, kSubsidiaryAuthor, "translator");
        text(r.values[kAlternateTitle], "shortjournal");
        std::string& isbn = r.values[kIsbn];
        text(isbn, "isbn");
        text(scratch_, "issn");
        if (isbn.empty()) {
            isbn = scratch_;
        } else if (!scratch_.empty()) {
            isbn += "; ";
            isbn += scratch_;
        }
        r.values[kLabel].assign(trimBlanks(e.key));
        text(scratch_, "url");
        r.addLine(kUrl, scratch_);
        const std::string_view how = raw("howpublished");
        if (how.find("\\url") != std::string_view::npos) {
            r.addLine(kUrl, decodeLatex(how));
        } else if (!how.empty()) {
            ++r.dropped;
        }
        text(scratch_, "doi");
        r.doi = bareDoi(scratch_);
        r.dropped += unmapped;
    }

    // "Month day" from month (a macro gives its name) and day, or from an ISO date.
    std::string dateText() const {
        std::string month = text("month");
        std::string day = text("day");
        const std::string date = text("date");
        if (month.empty() && date.size() >= 7 && date[4] == '-') {
            month = date.substr(5, 2);
            if (date.size() >= 10 && date[7] == '-') day = date.substr(8, 2);
        }
        if (!month.empty() && std::all_of(month.begin(), month.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c));
            })) {
            const int m = std::stoi(month);
            if (m >= 1 && m <= 12) month = kMonths[m - 1];
        }
        if (!day.empty() && day[0] == '0') day.erase(0, 1);
        if (month.empty()) return {};
        return day.empty() ? month : month + " " + day;
    }

    TextInput& input_;
    std::unique_ptr<BibTeXParser> reader_;  // the second reading
    ParsedEntry entry_;
    std::size_t entryCount_ = 0;  // before the end or the syntax error
    std::size_t next_ = 0;
    // Entry numbers in order: of a child and its parent, of parents before their child.
    std::vector<std::pair<std::size_t, std::size_t>> parents_;
    std::vector<std::size_t> keptOnSecondReading_;
    std::size_t parentCursor_ = 0;
    std::size_t keepCursor_ = 0;
    std::unordered_map<std::size_t, StoredEntry> kept_;
    std::string type_;  // of the entry being built, in lower case
    const StoredEntry* parent_ = nullptr;
    MappedValues ownValues_{};
    MappedValues parentValues_{};
    std::string scratch_;
    std::vector<std::string_view> nameParts_;
};

}  // namespace

std::string latexToText(std::string_view latex) {
    return decodeLatex(latex);
}

std::string bibTeXNameToCatalogue(std::string_view name) {
    return catalogueName(name);
}

std::vector<std::string> bibTeXNameList(std::string_view list) {
    std::vector<std::string> out;
    std::vector<std::string_view> names;
    splitNames(list, names);
    for (std::string_view n : names) out.push_back(catalogueName(n));
    return out;
}

std::unique_ptr<RecordSource> openBibTeXSource(TextInput& input) {
    return std::make_unique<BibTeXSource>(input);
}

}  // namespace rq

namespace rq {

namespace {

using namespace fields;

// BibTeX's special characters written so that they stay text; other bytes are copied in runs.
constexpr std::array<bool, 256> kBibTeXSpecial = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : std::string_view("&%$#_{}~^\\")) table[c] = true;
    return table;
}();

// Whether a word of eight bytes may hold one of them: '#' to '&', or with bit 5 set a byte of
// 0x7B or more ("\\^_{}~", and '[', ']', '|' and DEL too, which costs only a closer look).
std::uint64_t mayHoldBibTeXSpecial(std::uint64_t w) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    const std::uint64_t low = w & kLow7;
    const std::uint64_t fromHash = low + word::kOnes * (0x80 - '#');
    const std::uint64_t pastAmpersand = low + word::kOnes * (0x80 - '&' - 1);
    const std::uint64_t high = ((w | word::kOnes * 0x20) & kLow7) + word::kOnes * (0x80 - 0x7B);
    return ((fromHash & ~pastAmpersand) | high) & word::kHighBits;
}

void appendEscapedBibTeX(std::string& out, std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t run = findMarked(text, pos, kBibTeXSpecial, mayHoldBibTeXSpecial);
        out.append(text, pos, run - pos);
        if (run == text.size()) break;
        const char c = text[run];
        if (c == '~') {
            out += "\\textasciitilde{}";
        } else if (c == '^') {
            out += "\\textasciicircum{}";
        } else if (c == '\\') {
            out += "\\textbackslash{}";
        } else {
            out += '\\';
            out += c;
        }
        pos = run + 1;
    }
}

std::string escapeBibTeX(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    appendEscapedBibTeX(out, text);
    return out;
}

// A title with its words that hold a capital after their first letter in braces, so that
// styles that change case leave them alone: {DNA}, {McCarthy}.
std::string protectedTitle(std::string_view title) {
    std::string out;
    std::size_t pos = 0;
    while (pos <= title.size()) {
        std::size_t end = title.find(' ', pos);
        if (end == std::string_view::npos) end = title.size();
        const std::string_view word = title.substr(pos, end - pos);
        const bool inner = std::any_of(word.begin() + (word.empty() ? 0 : 1), word.end(),
                                       [](char c) { return c >= 'A' && c <= 'Z'; });
        if (!out.empty() || pos > 0) out += ' ';
        out += inner ? "{" + escapeBibTeX(word) + "}" : escapeBibTeX(word);
        pos = end + 1;
    }
    return out;
}

bool usableKey(std::string_view key) {
    return !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               std::strchr(":-_./", c) != nullptr;
    });
}

constexpr std::string_view kMonthMacros[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                             "jul", "aug", "sep", "oct", "nov", "dec"};

class BibTeXSink : public RecordSink {
  public:
    void write(OutputFile& out, const CatalogueRecord& r) override {
        out_ = &out;
        const std::string_view type = r[kType];
        const bool article = type == "Journal Article" || type == "Magazine Article" ||
                             type == "Newspaper Article" || type == "Electronic Article";
        const bool book = type == "Book" || type == "Edited Book" || type == "Electronic Book";
        const bool section = type == "Book Section";
        const bool paper = type == "Conference Proceedings" || type == "Conference Paper";
        const bool thesis = type == "Thesis";
        const bool report = type == "Report";
        std::string_view entry = "misc";
        if (article)
            entry = "article";
        else if (book)
            entry = "book";
        else if (section)
            entry = "incollection";
        else if (paper)
            entry = "inproceedings";
        else if (thesis)
            entry = lower(r[kTypeOfWork]).find("master") != std::string::npos ? "mastersthesis"
                                                                              : "phdthesis";
        else if (report)
            entry = "techreport";
        else if (type == "Unpublished Work")
            entry = "unpublished";
        else if (type == "Pamphlet")
            entry = "booklet";

        out.write("@");
        out.write(entry);
        out.write("{");
        out.write(keyFor(r));
        out.write(",\n");
        field("author", names(r[kAuthor]), false);
        field("editor",
              names(r[kSecondaryAuthor].empty() && book ? r[kTertiaryAuthor] : r[kSecondaryAuthor]),
              false);
        field("title", protectedTitle(oneLine(r[kTitle])), false);
        const std::string secondary = oneLine(r[kSecondaryTitle]);
        if (article) {
            field("journal", secondary);
        } else if (section || paper) {
            field("booktitle", secondary);
        } else if (book || thesis || report) {
            field("series", secondary);
        } else {
            field("booktitle", secondary);
        }
        if (article || section || paper) field("series", oneLine(r[kTertiaryTitle]));
        field("year", oneLine(r[kYear]));
        const CalendarDate date = parseCatalogueDate(r[kDate]);
        if (date.month > 0) {
            out.write("  month = ");
            out.write(kMonthMacros[date.month - 1]);
            out.write(",\n");
            if (date.day > 0) field("day", std::to_string(date.day));
        }
        field("address", oneLine(r[kPlace]));
        field(thesis ? "school" : report ? "institution" : "publisher", oneLine(r[kPublisher]));
        field("volume", oneLine(r[kVolume]));
        field("number", oneLine(r[kNumber]));
        std::string pages = oneLine(r[kPages]);
        for (std::size_t at = 0; (at = pages.find('-', at)) != std::string::npos; at += 2)
            pages.replace(at, 1, "--");
        field("pages", pages);
        field("edition", oneLine(r[kEdition]));
        field("volumes", oneLine(r[kNumberOfVolumes]));
        field("type", oneLine(r[kTypeOfWork]));
        field("translator", names(r[kSubsidiaryAuthor]), false);
        field("shortjournal", oneLine(r[kAlternateTitle]));
        const std::string isbn = oneLine(r[kIsbn]);
        // Eight characters with a dash in the middle are an ISSN.
        field(isbn.size() == 9 && isbn[4] == '-' ? "issn" : "isbn", isbn);
        field("callnumber", oneLine(r[kCallNumber]));
        std::string keywords;
        for (const std::string_view k : valueLines(r[kKeywords]))
            keywords += (keywords.empty() ? "" : ", ") + std::string(k);
        field("keywords", keywords);
        field("abstract", oneLine(r[kAbstract]));
        field("note", oneLine(r[kNotes]));
        const std::vector<std::string_view> urls = valueLines(r[kUrl]);
        if (!urls.empty()) {
            const std::string doi = bareDoi(urls[0]);
            if (!doi.empty() && urls[0].find("doi.org/") != std::string_view::npos) {
                field("doi", doi);
            } else {
                field("url", urls[0]);
            }
        }
        out.write("}\n\n");
    }

  private:
    static std::string names(std::string_view lines) {
        std::string out;
        for (const std::string_view n : valueLines(lines)) {
            if (!out.empty()) out += " and ";
            if (n == "et al." || n == "et al") {
                out += "others";
            } else if (n.find(',') == std::string_view::npos &&
                       n.find(' ') != std::string_view::npos) {
                out += "{" + escapeBibTeX(n) + "}";  // a body: one name, not split
            } else {
                out += escapeBibTeX(n);
            }
        }
        return out;
    }

    std::string keyFor(const CatalogueRecord& r) {
        std::string key(trimBlanks(r[kLabel]));
        if (!usableKey(key)) {
            key.clear();
            const std::vector<std::string_view> authors = valueLines(r[kAuthor]);
            if (!authors.empty()) {
                // The family name in ASCII letters: accents go, other letters are left out.
                static constexpr std::string_view kLatin1 =
                    "AAAAAAACEEEEIIIIDNOOOOO.OUUUUYTsaaaaaaaceeeeiiiidnooooo.ouuuuyty";
                const std::string_view family = authors[0].substr(0, authors[0].find(','));
                for (const char b : utf8ToWindows1252(family).text) {
                    const auto c = static_cast<unsigned char>(b);
                    const char letter = c >= 0xC0 ? kLatin1[c - 0xC0] : b;
                    if (std::isalpha(static_cast<unsigned char>(letter)) &&
                        static_cast<unsigned char>(letter) < 0x80)
                        key += letter;
                }
            }
            if (key.empty()) key = "ref";
            for (const char c : trimBlanks(r[kYear]))
                if (c >= '0' && c <= '9') key += c;
        }
        std::string unique = key;
        for (int n = 0; used_.count(lower(unique)) > 0; ++n) {
            unique = key;
            for (int k = n;; k = k / 26 - 1) {  // a, b, ... z, aa, ab ...
                unique.insert(key.size(), 1, static_cast<char>('a' + k % 26));
                if (k < 26) break;
            }
        }
        used_.insert(lower(unique));
        return unique;
    }

    void field(std::string_view name, std::string_view value, bool escape = true) {
        value = trimBlanks(value);
        if (value.empty()) return;
        out_->write("  ");
        out_->write(name);
        out_->write(" = {");
        if (escape) {
            escaped_.clear();
            appendEscapedBibTeX(escaped_, value);
            out_->write(escaped_);
        } else {
            out_->write(value);
        }
        out_->write("},\n");
    }

    OutputFile* out_ = nullptr;
    std::string escaped_;
    std::unordered_set<std::string> used_;
};

}  // namespace

std::unique_ptr<RecordSink> makeBibTeXSink() {
    return std::make_unique<BibTeXSink>();
}

}  // namespace rq
