// SPDX-License-Identifier: MIT
#include "engine/reference_record.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/byte_scan.h"
#include "base/files.h"
#include "base/path.h"
#include "base/text.h"
#include "base/windows1252.h"
#include "engine/bibtex_format.h"
#include "engine/csl_json_format.h"
#include "engine/ris_format.h"

namespace rq {

// ---- Encodings ----

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string lowerAsciiText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

// The names JabRef and others write after "% Encoding:".
std::optional<TextEncoding> encodingByName(std::string_view name) {
    std::string n = lowerAsciiText(trimBlanks(name));
    std::erase(n, '-');
    std::erase(n, '_');
    if (n == "utf8") return TextEncoding::Utf8;
    if (n == "utf16le") return TextEncoding::Utf16LE;
    if (n == "utf16be" || n == "utf16") return TextEncoding::Utf16BE;
    // Latin-1 is Windows-1252 less the printable 0x80-0x9F, which Latin-1 files do not use.
    if (n == "windows1252" || n == "cp1252" || n == "iso88591" || n == "latin1" ||
        n == "iso885915" || n == "ascii" || n == "usascii")
        return TextEncoding::Windows1252;
    return std::nullopt;
}

}  // namespace

std::string_view trimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<TextEncoding> declaredEncoding(std::string_view head, std::size_t& skip) {
    skip = 0;
    if (startsWith(head, "\xEF\xBB\xBF")) {
        skip = 3;
        return TextEncoding::Utf8;
    }
    if (startsWith(head, "\xFF\xFE")) {
        skip = 2;
        return TextEncoding::Utf16LE;
    }
    if (startsWith(head, "\xFE\xFF")) {
        skip = 2;
        return TextEncoding::Utf16BE;
    }
    // JabRef writes the line first; comment lines of its own may stand before it.
    std::size_t pos = 0;
    for (int lines = 0; lines < 10 && pos < head.size(); ++lines) {
        std::size_t end = head.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = head.size();
        const std::string_view line = trimBlanks(head.substr(pos, end - pos));
        static constexpr std::string_view kKey = "% encoding:";
        if (line.size() > kKey.size() && lowerAsciiText(line.substr(0, kKey.size())) == kKey)
            return encodingByName(line.substr(kKey.size()));
        pos = end + 1;
    }
    return std::nullopt;
}

namespace {

// Whether the word `w` holds only ASCII and whole characters of two bytes (C2 to DF, then 80 to
// BF), the bulk of most text, whatever their places; `pending` marks the first byte when the word
// before ended with such a lead, and becomes the mark for the next word.
constexpr bool asciiOrTwoByte(std::uint64_t w, std::uint64_t& pending) {
    constexpr std::uint64_t kHigh = word::kHighBits;
    const std::uint64_t bit6 = w << 1;                     // each byte's bit 6 where its bit 7 is
    const std::uint64_t bit5 = w << 2;                     // and its bit 5
    const std::uint64_t follow = w & ~bit6 & kHigh;        // 10xxxxxx
    const std::uint64_t lead = w & bit6 & ~bit5 & kHigh;   // 110xxxxx
    const std::uint64_t longer = w & bit6 & bit5 & kHigh;  // 111xxxxx
    const std::uint64_t overlong = lead & ~((w & 0x1E1E1E1E1E1E1E1EULL) + word::kLow7);  // C0, C1
    const bool whole = (longer | overlong) == 0 && follow == (word::toNextByte(lead) | pending);
    pending = word::lastToFirst(lead);
    return whole;
}

}  // namespace

bool validUtf8Block(std::string_view block, std::string& carry, bool last) {
    std::string joined;
    std::string_view text = block;
    if (!carry.empty()) {
        joined = carry;
        joined.append(block);
        text = joined;
        carry.clear();
    }
    std::size_t at = 0;
    const std::size_t n = text.size();
    for (;;) {
        // Word by word while the words hold ASCII and two-byte characters only: no branch that
        // depends on where the characters beyond ASCII stand.
        std::uint64_t pending = 0;
        while (at + 32 <= n) {  // 32 bytes a step: ASCII passes at once, the rest word by word
            const char* const p = text.data() + at;
            const std::uint64_t w0 = word::load(p), w1 = word::load(p + 8), w2 = word::load(p + 16),
                                w3 = word::load(p + 24);
            if ((((w0 | w1 | w2 | w3) & word::kHighBits) | pending) == 0) {
                at += 32;
                continue;
            }
            // One statement each: `next` goes from word to word in order.
            std::uint64_t next = pending;
            bool whole = asciiOrTwoByte(w0, next);
            whole &= asciiOrTwoByte(w1, next);
            whole &= asciiOrTwoByte(w2, next);
            whole &= asciiOrTwoByte(w3, next);
            if (!whole) break;
            pending = next;
            at += 32;
        }
        while (at + 8 <= n) {
            std::uint64_t next = pending;
            if (!asciiOrTwoByte(word::load(text.data() + at), next)) break;
            pending = next;
            at += 8;
        }
        if (pending != 0) --at;  // from the lead whose second byte is still to come
        if (at >= n) break;
        // Up to the end of the word, or the last few bytes, one character at a time.
        const std::size_t stop = std::min(n, at + 8);
        while (at < stop) {
            const auto lead = static_cast<unsigned char>(text[at]);
            if (lead < 0x80) {
                ++at;
                continue;
            }
            // Two-byte characters, the most common, without the general decoder.
            if (lead >= 0xC2 && lead <= 0xDF && at + 1 < n &&
                (static_cast<unsigned char>(text[at + 1]) & 0xC0) == 0x80) {
                at += 2;
                continue;
            }
            char32_t c;
            const std::size_t length = decodeUtf8(text, at, c);
            if (length == 0) {
                // An unfinished character at the very end waits for the next block.
                const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
                if (!last && lead >= 0xC2 && lead <= 0xF4 && n - at < need) {
                    carry.assign(text.substr(at));
                    return true;
                }
                return false;
            }
            at += length;
        }
    }
    return true;
}

bool TextInput::open(const std::string& path) {
    path_ = path;
    file_ = openFile(path, "rb");
    if (!file_) return false;
    std::string head(4096, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file_.get()));
    std::size_t skip = 0;
    const std::optional<TextEncoding> declared = declaredEncoding(head, skip);
    encoding_ = declared.value_or(TextEncoding::Utf8);
    decided_ = declared.has_value();
    if (std::fseek(file_.get(), 0, SEEK_END) == 0) {
        const long end = std::ftell(file_.get());
        size_ = end > 0 ? static_cast<std::size_t>(end) : 0;
    }
    skip_ = skip;
    return rewind();
}

void TextInput::decide() {
    if (decided_ || !file_) return;
    // UTF-8 only when the whole file is: read to its end, or to the first byte that is not.
    rewind();
    std::string block;
    while (readChecking(block)) block.clear();
    rewind();
}

std::string TextInput::rawHead(std::size_t size) {
    std::string head(size, '\0');
    if (!file_) return {};
    head.resize(std::fread(head.data(), 1, size, file_.get()));
    rewind();
    return head;
}

bool TextInput::readChecking(std::string& out) {
    if (decided_ || !file_) return read(out);
    const std::size_t had = out.size();
    const bool more = appendBlock(out);
    if (!validUtf8Block(std::string_view(out).substr(had), carry_, ended_)) {
        out.resize(had);
        carry_.clear();
        encoding_ = TextEncoding::Windows1252;
        decided_ = true;
        changed_ = true;
        return false;
    }
    if (ended_) {
        encoding_ = TextEncoding::Utf8;
        decided_ = true;
    }
    return more;
}

bool TextInput::rewind() {
    if (!file_) return false;
    raw_.clear();
    highSurrogate_ = 0;
    ended_ = false;
    failed_ = false;
    changed_ = false;
    carry_.clear();
    std::clearerr(file_.get());
    return std::fseek(file_.get(), static_cast<long>(skip_), SEEK_SET) == 0;
}

std::size_t TextInput::readBlock(char* to) {
    const std::size_t got = std::fread(to, 1, blockSize_, file_.get());
    if (got < blockSize_) {
        ended_ = true;
        failed_ = std::ferror(file_.get()) != 0;
    }
    return got;
}

bool TextInput::appendBlock(std::string& to) {
    if (ended_) return false;
    const std::size_t had = to.size();
    to.resize(had + blockSize_);
    const std::size_t got = readBlock(to.data() + had);
    to.resize(had + got);
    return got > 0;
}

bool TextInput::readRaw() {
    return appendBlock(raw_);
}

bool TextInput::read(std::string& out) {
    if (!file_) return false;
    decide();
    if (encoding_ == TextEncoding::Utf8 && raw_.empty()) {
        return appendBlock(out);  // UTF-8 goes straight to the text
    }
    const bool more = readRaw();
    if (!more && raw_.empty()) return false;
    switch (encoding_) {
        case TextEncoding::Utf8:
            out += raw_;
            raw_.clear();
            break;
        case TextEncoding::Windows1252:
            for (const char b : raw_) {
                if (static_cast<unsigned char>(b) < 0x80) {
                    out += b;
                } else {
                    appendUtf8(out, windows1252CodePoint(static_cast<unsigned char>(b)));
                }
            }
            raw_.clear();
            break;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE: {
            const bool le = encoding_ == TextEncoding::Utf16LE;
            std::size_t at = 0;
            for (; at + 2 <= raw_.size(); at += 2) {
                const auto a = static_cast<unsigned char>(raw_[at]);
                const auto b = static_cast<unsigned char>(raw_[at + 1]);
                const char32_t unit = le ? (b << 8 | a) : (a << 8 | b);
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    if (highSurrogate_ != 0) appendUtf8(out, 0xFFFD);
                    highSurrogate_ = unit;
                    continue;
                }
                if (unit >= 0xDC00 && unit <= 0xDFFF) {
                    if (highSurrogate_ != 0) {
                        appendUtf8(out,
                                   0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00));
                    } else {
                        appendUtf8(out, 0xFFFD);
                    }
                    highSurrogate_ = 0;
                    continue;
                }
                if (highSurrogate_ != 0) appendUtf8(out, 0xFFFD);
                highSurrogate_ = 0;
                appendUtf8(out, unit);
            }
            raw_.erase(0, at);
            if (ended_ && (!raw_.empty() || highSurrogate_ != 0)) {  // a broken end
                appendUtf8(out, 0xFFFD);
                raw_.clear();
                highSurrogate_ = 0;
            }
            break;
        }
    }
    return true;
}

// ---- Formats ----

std::optional<ReferenceFormat> detectReferenceFormat(std::string_view head,
                                                     std::string_view extension) {
    if (startsWith(head, "\xEF\xBB\xBF")) head.remove_prefix(3);
    const std::string ext = lowerAsciiText(extension);
    const std::string_view body = trimBlanks(head);
    // A file of binary data: a zero byte or a control byte that no text file holds.
    for (const char c : head.substr(0, 4096)) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0 || (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != 0x1A && b != 0x0C))
            return std::nullopt;
    }
    if (!body.empty() && (body.front() == '[' || body.front() == '{')) {
        // An EndNote export may start with a bracket too: the extension says so.
        if (ext != ".txt" && ext != ".tsv") return ReferenceFormat::CslJson;
    }
    bool ris = false;
    bool bib = false;
    for (std::size_t pos = 0; pos < head.size();) {
        std::size_t end = head.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = head.size();
        const std::string_view line = head.substr(pos, end - pos);
        if (startsWith(line, "TY  -") || startsWith(line, "TY -")) ris = true;
        const std::string_view t = trimBlanks(line);
        if (!t.empty() && t.front() == '@') {
            std::size_t k = 1;
            while (k < t.size() && std::isalpha(static_cast<unsigned char>(t[k]))) ++k;
            while (k < t.size() && (t[k] == ' ' || t[k] == '\t')) ++k;
            if (k > 1 && (k == t.size() || t[k] == '{' || t[k] == '(')) bib = true;
        }
        pos = end + 1;
    }
    const bool preferBib = ext == ".bib" || ext == ".bibtex" || ext == ".biblatex";
    if (ris && bib) return preferBib ? ReferenceFormat::BibTeX : ReferenceFormat::Ris;
    if (ris) return ReferenceFormat::Ris;
    if (bib) return ReferenceFormat::BibTeX;
    // Content of no format: the extension names what the file was meant to be, so that its
    // reader can say what is wrong with it.
    if (ext == ".ris") return ReferenceFormat::Ris;
    if (preferBib) return ReferenceFormat::BibTeX;
    if (ext == ".json") return ReferenceFormat::CslJson;
    return ReferenceFormat::EndNoteExport;
}

// ---- Records ----

void ReferenceRecord::clear() {
    for (std::string& v : values) v.clear();
    doi.clear();
    dropped = 0;
    line = 0;
}

void ReferenceRecord::addLine(int field, std::string_view value) {
    value = trimBlanks(value);
    if (value.empty()) return;
    std::string& v = values[field];
    if (!v.empty()) v += '\n';
    v += value;
}

void ReferenceRecord::setIfEmpty(int field, std::string_view value) {
    value = trimBlanks(value);
    if (values[field].empty()) values[field].assign(value);
}

std::string bareDoi(std::string_view value) {
    std::string_view v = trimBlanks(value);
    const std::string lower = lowerAsciiText(v);
    for (std::string_view prefix :
         {"https://doi.org/", "http://doi.org/", "https://dx.doi.org/", "http://dx.doi.org/",
          "doi.org/", "dx.doi.org/", "doi:", "doi"}) {
        if (startsWith(lower, prefix)) {
            v = trimBlanks(v.substr(prefix.size()));
            break;
        }
    }
    if (!startsWith(v, "10.") || v.find('/') == std::string_view::npos) return {};
    return std::string(v);
}

namespace {

constexpr ReferenceTypeRow kTypes[] = {
    {"JOUR", "Journal Article"},
    {"JFULL", "Journal Article"},
    {"INPR", "Journal Article"},
    {"ABST", "Journal Article"},
    {"MGZN", "Magazine Article"},
    {"NEWS", "Newspaper Article"},
    {"EJOUR", "Electronic Article"},
    {"BOOK", "Book"},
    {"EDBOOK", "Edited Book"},
    {"EBOOK", "Electronic Book"},
    {"CHAP", "Book Section"},
    {"ECHAP", "Book Section"},
    {"CONF", "Conference Proceedings"},
    {"CPAPER", "Conference Paper"},
    {"THES", "Thesis"},
    {"RPRT", "Report"},
    {"UNPB", "Unpublished Work"},
    {"ELEC", "Web Page"},
    {"WEB", "Web Page"},
    {"PAT", "Patent"},
    {"COMP", "Computer Program"},
    {"PAMP", "Pamphlet"},
    {"GEN", "Generic"},
    {"MANSCPT", "Manuscript"},
    {"PCOMM", "Personal Communication"},
    {"ICOMM", "Personal Communication"},
    {"ADVS", "Audiovisual Material"},
    {"SLIDE", "Audiovisual Material"},
    {"SOUND", "Audiovisual Material"},
    {"MPCT", "Film or Broadcast"},
    {"VIDEO", "Film or Broadcast"},
    {"MULTI", "Online Multimedia"},
    {"ART", "Artwork"},
    {"MAP", "Map"},
    {"MUSIC", "Music"},
    {"ENCYC", "Encyclopedia"},
    {"DICT", "Dictionary"},
    {"CTLG", "Catalog"},
    {"CHART", "Chart or Table"},
    {"FIGURE", "Figure"},
    {"EQUA", "Equation"},
    {"CLSWK", "Classical Work"},
    {"ANCIENT", "Ancient Text"},
    {"AGGR", "Aggregated Database"},
    {"DBASE", "Online Database"},
    {"DATA", "Dataset"},
    {"SER", "Serial Publication"},
    {"GOVDOC", "Government Document"},
    {"GRANT", "Grant"},
    {"STAND", "Standard"},
    {"STAT", "Statute"},
    {"LEGAL", "Legal Rule or Regulation"},
    {"BILL", "Bill"},
    {"UNBILL", "Bill"},
    {"HEAR", "Hearing"},
    {"CASE", "Case"},
    {"BLOG", "Blog"},
};

}  // namespace

std::span<const ReferenceTypeRow> referenceTypes() {
    return kTypes;
}

std::string_view endNoteTypeForRis(std::string_view codeOrName) {
    codeOrName = trimBlanks(codeOrName);
    for (const ReferenceTypeRow& row : kTypes) {
        if (equalsIgnoringAsciiCase(row.risCode, codeOrName) ||
            equalsIgnoringAsciiCase(row.endNoteName, codeOrName))
            return row.endNoteName;
    }
    return "Generic";
}

std::string_view risCodeForEndNoteType(std::string_view name) {
    name = trimBlanks(name);
    for (const ReferenceTypeRow& row : kTypes) {
        if (equalsIgnoringAsciiCase(row.endNoteName, name)) return row.risCode;
    }
    return "GEN";
}

namespace {

// The bytes not copied as they are, marked exactly: the quote, the controls (of which line ends
// and tabs change) and all beyond ASCII.
constexpr std::uint64_t notPlain(std::uint64_t w) {
    return word::hasHigh(w) | word::below(w, 0x20) | word::equalTo(w, '"');
}

// appendWindows1252 of one character, or of an ASCII letter and a combining accent, which give
// at most one byte, stored at `to`. Its answers are kept, since a file has the same few such
// characters again and again.
std::size_t appendTranscoded(char*& to, std::u32string_view chars) {
    struct Answer {
        char32_t key = 0;  // 0: none yet (every key has a bit above ASCII)
        char byte = 0;
        bool hasByte = false;
        bool replaced = false;
    };
    thread_local std::array<Answer, 256> answers;
    const char32_t key = chars.size() == 1 ? chars[0] : chars[0] << 21 | chars[1];
    Answer& answer = answers[(key ^ key >> 8 ^ key >> 21) & 0xFF];
    if (answer.key == key) {
        if (answer.hasByte) *to++ = answer.byte;
        return answer.replaced ? 1 : 0;
    }
    thread_local std::string bytes;
    bytes.clear();
    const std::size_t replaced = appendWindows1252(bytes, chars);
    std::memcpy(to, bytes.data(), bytes.size());
    to += bytes.size();
    if (bytes.size() <= 1 && replaced <= 1 && key > 0x7F)
        answer = {key, bytes.empty() ? '\0' : bytes[0], !bytes.empty(), replaced == 1};
    return replaced;
}

// What appendWindows1252 gives for each character of two UTF-8 bytes (U+0080 to U+07FF), taken
// once: a byte or none, and whether the character was replaced. Combining accents, which depend
// on the byte before them, are marked to be looked at one by one.
struct TwoByteAnswer {
    char byte = 0;
    std::uint8_t length = 0;
    std::uint8_t replaced = 0;
    bool accent = false;
};

const std::array<TwoByteAnswer, 0x800>& twoByteAnswers() {
    static const std::array<TwoByteAnswer, 0x800> answers = [] {
        std::array<TwoByteAnswer, 0x800> table{};
        std::string bytes;
        for (char32_t c = 0x80; c < 0x800; ++c) {
            bytes.clear();
            const std::size_t replaced = appendWindows1252(bytes, std::u32string_view(&c, 1));
            table[c] = {bytes.empty() ? '\0' : bytes[0], static_cast<std::uint8_t>(bytes.size()),
                        static_cast<std::uint8_t>(replaced), c >= 0x300 && c <= 0x36F};
        }
        return table;
    }();
    return answers;
}

// One value transcoded and escaped in one pass, stored at `to`: at most two bytes for each of
// the value's bytes, and room for eight more. Runs of plain ASCII are copied a word at a time.
// Returns the characters replaced.
std::size_t appendCatalogueValue(char*& to, std::string_view value) {
    std::size_t replaced = 0;
    char* const start = to;
    const std::array<TwoByteAnswer, 0x800>& twoBytes = twoByteAnswers();
    const char* const s = value.data();
    const std::size_t n = value.size();
    std::size_t i = 0;
    while ((i = copyUnmarked(value, i, to, notPlain)) < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            switch (c) {
                case '"':
                    to[0] = '"';
                    to[1] = '"';
                    to += 2;
                    break;
                case '\n':
                    *to++ = static_cast<char>(kLineEndMark);
                    break;
                case '\t':
                    *to++ = ' ';
                    break;
                case '\r':
                    break;
                default:  // other controls stay
                    *to++ = static_cast<char>(c);
            }
            ++i;
            continue;
        }
        // Characters of two bytes, the most common (Latin-1 and the other European letters), by
        // a table, without branches that depend on which they are.
        const auto next = i + 1 < n ? static_cast<unsigned char>(s[i + 1]) : 0;
        if (c >= 0xC2 && c <= 0xDF && (next & 0xC0) == 0x80) {
            const TwoByteAnswer& answer = twoBytes[(c & 0x1FU) << 6 | (next & 0x3FU)];
            if (!answer.accent) {
                *to = answer.byte;
                to += answer.length;
                replaced += answer.replaced;
                i += 2;
                continue;
            }
        }
        char32_t cp = 0;
        const std::size_t length = decodeUtf8(value, i, cp);
        if (length == 0) {
            *to++ = '?';
            ++replaced;
            ++i;
            continue;
        }
        i += length;
        // A combining accent joins the letter before it, as the transcoder composes them.
        const bool accent = cp >= 0x300 && cp <= 0x36F;
        if (accent && to > start && std::isalpha(static_cast<unsigned char>(to[-1])) &&
            static_cast<unsigned char>(to[-1]) < 0x80) {
            const char32_t pair[2] = {static_cast<char32_t>(to[-1]), cp};
            --to;
            replaced += appendTranscoded(to, std::u32string_view(pair, 2));
        } else {
            replaced += appendTranscoded(to, std::u32string_view(&cp, 1));
        }
    }
    return replaced;
}

}  // namespace

std::size_t catalogueRecordText(ReferenceRecord& record, std::string& text) {
    using namespace fields;
    if (!record.doi.empty()) {
        if (!record.has(kUrl)) {
            record.values[kUrl] = "https://doi.org/" + record.doi;
        } else if (record.values[kUrl].find(record.doi) == std::string::npos) {
            record.addLine(kNotes, "DOI: " + record.doi);
        }
    }
    // Room for the longest text the values can give (every byte a quote), once per record.
    std::size_t room = 8;
    for (int n = 1; n <= kFieldCount; ++n) room += 2 * record.values[n].size() + 2;
    if (text.size() < room) text.resize(room);
    char* const first = text.data();
    char* to = first;
    // All 31 values, so that every CSV line has a value for each selected field.
    std::size_t replaced = 0;
    for (int n = 1; n <= kFieldCount; ++n) {
        if (n > 1) *to++ = '\t';
        char* const start = to;
        replaced += appendCatalogueValue(to, record.values[n]);
        if (to == start) *to++ = ' ';
    }
    text.resize(static_cast<std::size_t>(to - first));
    return replaced;
}

// ---- The conversion of a reference file ----

namespace {

// A type alone is no reference.
bool usable(const ReferenceRecord& record) {
    for (int n = 2; n <= kFieldCount; ++n)
        if (record.has(n)) return true;
    return false;
}

const char* formatName(ReferenceFormat format) {
    switch (format) {
        case ReferenceFormat::Ris:
            return "RIS";
        case ReferenceFormat::BibTeX:
            return "BibTeX";
        case ReferenceFormat::CslJson:
            return "CSL-JSON";
        case ReferenceFormat::EndNoteExport:
            break;
    }
    return "EndNote export";
}

}  // namespace

std::unique_ptr<RecordSource> openRecordSource(ReferenceFormat format, TextInput& input) {
    switch (format) {
        case ReferenceFormat::Ris:
            return openRisSource(input);
        case ReferenceFormat::BibTeX:
            return openBibTeXSource(input);
        case ReferenceFormat::CslJson:
            return openCslJsonSource(input);
        case ReferenceFormat::EndNoteExport:
            break;
    }
    return nullptr;
}

namespace {

// The format from the first 8 KB of text. When the encoding waits for a check of the whole file,
// the first bytes often make it needless: bytes that are not UTF-8 decide for Windows-1252, a
// file shorter than them decides itself, and ASCII, or UTF-8 that gives the same format when
// read as Windows-1252, needs no decision.
std::optional<ReferenceFormat> probeFormat(TextInput& input, std::string_view ext) {
    constexpr std::size_t kHead = 8192;
    if (!input.decided()) {
        const std::string raw = input.rawHead(kHead);
        std::string carry;
        const bool whole = raw.size() < kHead;
        if (!validUtf8Block(raw, carry, whole)) {
            input.decideAs(TextEncoding::Windows1252);
        } else if (whole) {
            input.decideAs(TextEncoding::Utf8);
        } else {
            const auto asUtf8 = detectReferenceFormat(raw, ext);
            std::string asWindows1252;
            for (const char b : raw)
                appendUtf8(asWindows1252, windows1252CodePoint(static_cast<unsigned char>(b)));
            if (asUtf8 ==
                detectReferenceFormat(std::string_view(asWindows1252).substr(0, kHead), ext))
                return asUtf8;
        }
    }
    std::string head;
    while (head.size() < kHead && input.read(head)) {
    }
    return detectReferenceFormat(std::string_view(head).substr(0, kHead), ext);
}

}  // namespace

ExportResult exportReferenceFile(Strategy& strategy, HostServices& host, OutputFile& out,
                                 const std::string& sourcePath, const std::string& csvPath) {
    std::optional<ReferenceFormat> format;
    // One input for the format's probe and for reading: the encoding is decided once.
    TextInput input;
    if (input.open(sourcePath)) {
        format = probeFormat(input, extension(sourcePath));
    } else {
        format = ReferenceFormat::EndNoteExport;  // its reader reports the failure
    }
    if (!format) {
        ExportResult refused;
        refused.failure = shownPath(sourcePath) +
                          ": not a reference file (neither an EndNote export nor RIS, BibTeX or "
                          "CSL-JSON)";
        host.showMessage(MessageKind::Error, refused.failure);
        return refused;
    }
    if (*format == ReferenceFormat::EndNoteExport)
        return exportToCsv(strategy, host, out, sourcePath, csvPath);

    if (!out.open(csvPath)) {
        ExportResult failed;
        failed.failure = shownPath(csvPath) + ": " + out.failureReason();
        host.showMessage(MessageKind::Error, "Couldnt open output CSV File", failed.failure);
        return failed;
    }
    OutputFileGuard guard(out);
    writeCsvHeader(strategy, out);
    if (const std::string problem = inputFileProblem(sourcePath);
        !problem.empty() || !input.rewind()) {
        ExportResult failed;
        failed.failure =
            shownPath(sourcePath) + ": " + (problem.empty() ? "it cannot be opened" : problem);
        host.showMessage(MessageKind::Error, "Couldnt Open input .tsv file", failed.failure);
        out.discard();
        return failed;
    }
    host.appendLog(std::string("Reading ") + formatName(*format) + " file " + sourcePath);
    const std::unique_ptr<RecordSource> source = openRecordSource(*format, input);
    BytePump pump(host);
    ExportResult result;
    int skipped = 0;
    // A citation key comes back on the way home only through Label; the user is told when the
    // strategy leaves it out.
    const bool labelKept = strategy.slots[fields::kLabel].selected;
    int keysLost = 0;
    ReferenceRecord record;
    std::string text;
    while (!out.failed() && source->next(record)) {
        for (const std::string& note : source->takeNotes()) host.appendLog(note);
        const std::size_t replaced = catalogueRecordText(record, text);
        if (!usable(record)) {
            ++skipped;
            continue;
        }
        host.recordReached(++result.records);
        const std::string number = std::to_string(result.records);
        if (writeCsvRecord(out, strategy, text)) {
            host.appendLog("Truncated field(s) in Record " + number);
            ++result.truncatedRecords;
        }
        if (replaced > 0) host.appendLog("Replaced character(s) in Record " + number);
        if (record.dropped > 0)
            host.appendLog("Record " + number + ": " + std::to_string(record.dropped) +
                           " value(s) without a field left out");
        if (!labelKept && !record.values[fields::kLabel].empty()) ++keysLost;
        pump.advance(static_cast<long>(text.size()));
    }
    for (const std::string& note : source->takeNotes()) host.appendLog(note);
    if (skipped > 0)
        host.appendLog("Records without any usable field skipped: " + std::to_string(skipped));
    if (keysLost > 0)
        host.appendLog("Records whose key is not kept (the field Label is not selected): " +
                       std::to_string(keysLost));
    if (!out.close()) {
        ExportResult failed;
        failed.failure = shownPath(csvPath) + ": " + out.failureReason();
        host.showMessage(MessageKind::Error, "Error writing the CSV file", failed.failure);
        return failed;
    }
    std::string problem = source->problem();
    if (problem.empty() && input.failed())
        problem = shownPath(sourcePath) + ": read error after record " +
                  std::to_string(result.records) + "; the rest of the file was not converted";
    if (!problem.empty()) {
        host.appendLog(problem);
        host.showMessage(MessageKind::Error, problem);
    }
    return result;
}

}  // namespace rq

namespace rq {

std::vector<std::string_view> valueLines(std::string_view value) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t end = value.find('\n', pos);
        const std::string_view line =
            trimBlanks(value.substr(pos, end == std::string_view::npos ? end : end - pos));
        if (!line.empty()) lines.push_back(line);
        if (end == std::string_view::npos) return lines;
        pos = end + 1;
    }
}

std::string oneLine(std::string_view value) {
    std::string out;
    for (const std::string_view line : valueLines(value)) {
        if (!out.empty()) out += ' ';
        out += line;
    }
    return out;
}

CalendarDate parseCatalogueDate(std::string_view date) {
    static constexpr std::string_view kNames[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                  "jul", "aug", "sep", "oct", "nov", "dec"};
    CalendarDate d;
    date = trimBlanks(date);
    // RIS style: YYYY/MM/DD.
    if (date.size() >= 7 && date[4] == '/') {
        d.month = std::atoi(std::string(date.substr(5, 2)).c_str());
        if (date.size() >= 10 && date[7] == '/')
            d.day = std::atoi(std::string(date.substr(8, 2)).c_str());
    } else {
        const std::string lowerDate = lowerAsciiText(date);
        for (int m = 0; m < 12; ++m)
            if (startsWith(lowerDate, kNames[m])) d.month = m + 1;
        const std::size_t digit = date.find_first_of("0123456789");
        if (d.month > 0 && digit != std::string_view::npos)
            d.day = std::atoi(std::string(date.substr(digit)).c_str());
    }
    if (d.month < 1 || d.month > 12) d = {};
    if (d.day < 1 || d.day > 31) d.day = 0;
    return d;
}

std::string_view referenceExtension(ReferenceFormat format) {
    switch (format) {
        case ReferenceFormat::Ris:
            return ".ris";
        case ReferenceFormat::BibTeX:
            return ".bib";
        case ReferenceFormat::CslJson:
            return ".json";
        case ReferenceFormat::EndNoteExport:
            break;
    }
    return ".tsv";
}

std::string referenceOutputPath(std::string_view path, ReferenceFormat format) {
    const std::string_view ext = extension(path);
    std::string out(path.substr(0, path.size() - ext.size()));
    out += referenceExtension(format);
    return out;
}

namespace {
constexpr std::pair<std::string_view, ReferenceFormat> kFormatNames[] = {
    {"endnote", ReferenceFormat::EndNoteExport},
    {"ris", ReferenceFormat::Ris},
    {"bibtex", ReferenceFormat::BibTeX},
    {"csl-json", ReferenceFormat::CslJson},
};
}  // namespace

std::optional<ReferenceFormat> referenceFormatByName(std::string_view name) {
    for (const auto& [n, format] : kFormatNames)
        if (equalsIgnoringAsciiCase(n, name)) return format;
    return std::nullopt;
}

std::string_view referenceFormatName(ReferenceFormat format) {
    for (const auto& [n, f] : kFormatNames)
        if (f == format) return n;
    return "endnote";
}

ReferenceFormat readDatabaseFormat(const std::string& dataFolder) {
    std::string text;
    if (readWholeFile(joinPath(dataFolder, kFormatSettingsFileName), text) != ReadResult::Read)
        return ReferenceFormat::EndNoteExport;
    static constexpr std::string_view kKey = "DatabaseFormat=";
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = trimBlanks(std::string_view(text).substr(pos, end - pos));
        if (startsWith(line, kKey))
            if (const auto format = referenceFormatByName(trimBlanks(line.substr(kKey.size()))))
                return *format;
        pos = end + 1;
    }
    return ReferenceFormat::EndNoteExport;
}

bool writeDatabaseFormat(const std::string& dataFolder, ReferenceFormat format,
                         std::string& problem) {
    const std::string path = joinPath(dataFolder, kFormatSettingsFileName);
    OutputFile out;
    if (out.open(path)) {
        out.write("DatabaseFormat=");
        out.write(referenceFormatName(format));
        out.endLine();
        if (out.close()) return true;
    }
    problem = "Couldn't write " + path + ": " + out.failureReason();
    return false;
}

std::unique_ptr<RecordSink> makeRecordSink(ReferenceFormat format) {
    switch (format) {
        case ReferenceFormat::Ris:
            return makeRisSink();
        case ReferenceFormat::BibTeX:
            return makeBibTeXSink();
        case ReferenceFormat::CslJson:
            return makeCslJsonSink();
        case ReferenceFormat::EndNoteExport:
            break;
    }
    return nullptr;
}

namespace {
constexpr ByteTable kHighBytes = [] {
    ByteTable table{};
    for (int c = 0x80; c < 0x100; ++c) table[static_cast<std::size_t>(c)] = true;
    return table;
}();
}  // namespace

ImportResult writeReferenceFile(HostServices& host, OutputFile& out, const std::string& csvPath,
                                const std::string& outPath, ReferenceFormat format) {
    const std::unique_ptr<RecordSink> sink = makeRecordSink(format);
    if (!sink) return csvToImport(host, out, csvPath, outPath);
    const UniqueFile csv = openFile(csvPath, "rb");
    if (!csv) {
        host.showMessage(MessageKind::Error, "Couldnt load csv File",
                         shownPath(csvPath) + ": it cannot be opened");
        return {0, true};
    }
    if (!out.open(outPath)) {
        host.showMessage(MessageKind::Error, "Couldnt open output output File",
                         shownPath(outPath) + ": " + out.failureReason());
        return {0, true};
    }
    OutputFileGuard guard(out);
    sink->begin(out);

    // The CSV line by line; a line of any length (these formats have no 32K limit).
    std::string buffer;
    std::size_t pos = 0;
    bool ended = false;
    const auto nextLine = [&](std::string_view& line) {
        for (;;) {
            const std::size_t lf = buffer.find('\n', pos);
            if (lf != std::string::npos || (ended && pos < buffer.size())) {
                const std::size_t end = lf == std::string::npos ? buffer.size() : lf + 1;
                line = std::string_view(buffer).substr(pos, end - pos);
                pos = end;
                return true;
            }
            if (ended) return false;
            buffer.erase(0, pos);
            pos = 0;
            const std::size_t had = buffer.size();
            buffer.resize(had + (std::size_t{1} << 18));
            const std::size_t got =
                std::fread(buffer.data() + had, 1, std::size_t{1} << 18, csv.get());
            buffer.resize(had + got);
            if (got == 0) ended = true;
        }
    };

    ImportResult result;
    std::string_view line;
    std::vector<std::string> values;
    std::vector<int> columns;  // the field of each CSV column, 0 for none
    if (nextLine(line)) {
        splitCsvLine(line, values);
        for (const std::string& name : values) {
            int field = 0;
            for (int n = 1; n <= kFieldCount && !name.empty(); ++n) {
                if (equalsIgnoringAsciiCase(name, jfileName(n))) {
                    field = n;
                    break;
                }
            }
            columns.push_back(field);
        }
    }
    CatalogueRecord record;
    while (nextLine(line)) {
        if (trimBlanks(line).empty()) continue;
        host.pumpEvents();
        splitCsvLine(line, values);
        for (std::string& v : record) v.clear();
        for (std::size_t i = 0; i < values.size() && i < columns.size(); ++i) {
            if (columns[i] == 0) continue;
            // Windows-1252 to UTF-8; the line-end mark stands for a line break.
            const std::string& bytes = values[i];
            std::string& v = record[columns[i]];
            v.clear();
            std::size_t k = 0;
            while (k < bytes.size()) {
                const std::size_t run = findMarked(bytes, k, kHighBytes, word::hasHigh);
                v.append(bytes, k, run - k);
                if (run == bytes.size()) break;
                const auto b = static_cast<unsigned char>(bytes[run]);
                if (b == kLineEndMark) {
                    v += '\n';
                } else {
                    appendUtf8(v, windows1252CodePoint(b));
                }
                k = run + 1;
            }
            if (trimBlanks(v).empty()) v.clear();
        }
        sink->write(out, record);
        host.recordReached(++result.records);
    }
    sink->end(out);
    if (std::ferror(csv.get()) != 0) {
        // A half file would pass for the whole database: the earlier file stays.
        out.discard();
        host.showMessage(MessageKind::Error, "Couldnt read csv file",
                         shownPath(csvPath) + ": read error");
        return {0, true};
    }
    if (!out.close()) {
        host.showMessage(MessageKind::Error, "Couldnt write output File",
                         shownPath(outPath) + ": " + out.failureReason());
        return {result.records, true};
    }
    return result;
}

}  // namespace rq
