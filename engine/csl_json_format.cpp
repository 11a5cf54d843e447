// SPDX-License-Identifier: MIT
#include "engine/csl_json_format.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "base/byte_scan.h"
#include "base/text.h"

namespace rq {

namespace {

using namespace fields;
using nlohmann::json;

constexpr std::string_view kMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};

// A value that may be a string or a number, as text; empty for anything else.
std::string scalar(const json& v) {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_number_integer()) return std::to_string(v.get<long long>());
    if (v.is_number_unsigned()) return std::to_string(v.get<unsigned long long>());
    if (v.is_number_float()) {
        const double d = v.get<double>();
        if (std::floor(d) == d && std::fabs(d) < 1e15)
            return std::to_string(static_cast<long long>(d));
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", d);
        return buffer;
    }
    return {};
}

// {family, given, non-dropping-particle, dropping-particle, suffix} or {literal} as
// "von Last, First".
std::string catalogueName(const json& name) {
    if (!name.is_object()) return scalar(name);
    const auto part = [&](const char* key) {
        const auto it = name.find(key);
        return it == name.end() ? std::string() : std::string(trimBlanks(scalar(*it)));
    };
    const std::string literal = part("literal");
    if (!literal.empty()) return literal;
    std::string out;
    for (const char* key : {"non-dropping-particle", "family"}) {
        const std::string p = part(key);
        if (p.empty()) continue;
        if (!out.empty()) out += ' ';
        out += p;
    }
    const std::string suffix = part("suffix");
    if (!suffix.empty()) out += ", " + suffix;
    std::string given = part("given");
    const std::string dropping = part("dropping-particle");
    if (!dropping.empty()) given += (given.empty() ? "" : " ") + dropping;
    if (!given.empty()) out += (out.empty() ? "" : ", ") + given;
    return out;
}

struct DateParts {
    std::string year;
    int month = 0;
    int day = 0;
};

DateParts dateOf(const json& date) {
    DateParts d;
    if (date.is_string()) {  // some writers put the raw date straight in
        const std::string raw = date.get<std::string>();
        d.year = raw.substr(0, 4);
        return d;
    }
    if (!date.is_object()) return d;
    if (const auto parts = date.find("date-parts");
        parts != date.end() && parts->is_array() && !parts->empty() && (*parts)[0].is_array()) {
        const json& first = (*parts)[0];
        if (first.size() > 0) d.year = scalar(first[0]);
        if (first.size() > 1) d.month = std::atoi(scalar(first[1]).c_str());
        if (first.size() > 2) d.day = std::atoi(scalar(first[2]).c_str());
        return d;
    }
    for (const char* key : {"raw", "literal"}) {
        if (const auto it = date.find(key); it != date.end() && it->is_string()) {
            const std::string raw = it->get<std::string>();
            if (raw.size() >= 4 && std::isdigit(static_cast<unsigned char>(raw[0]))) {
                d.year = raw.substr(0, 4);
                if (raw.size() >= 7 && raw[4] == '-') d.month = std::atoi(raw.substr(5, 2).c_str());
                if (raw.size() >= 10 && raw[7] == '-') d.day = std::atoi(raw.substr(8, 2).c_str());
            } else {
                d.year = raw;  // "in press" and the like, as it stands
            }
            return d;
        }
    }
    return d;
}

struct TypeRow {
    std::string_view csl;
    std::string_view endNote;
};
constexpr TypeRow kTypes[] = {
    {"article-journal", "Journal Article"},
    {"article-magazine", "Magazine Article"},
    {"article-newspaper", "Newspaper Article"},
    {"book", "Book"},
    {"chapter", "Book Section"},
    {"paper-conference", "Conference Proceedings"},
    {"thesis", "Thesis"},
    {"report", "Report"},
    {"manuscript", "Unpublished Work"},
    {"webpage", "Web Page"},
    {"patent", "Patent"},
    {"software", "Computer Program"},
    {"pamphlet", "Pamphlet"},
};

constexpr std::string_view kMapped[] = {"type",
                                        "author",
                                        "issued",
                                        "title",
                                        "container-title",
                                        "collection-title",
                                        "editor",
                                        "container-author",
                                        "publisher-place",
                                        "publisher",
                                        "volume",
                                        "issue",
                                        "number",
                                        "page",
                                        "number-of-pages",
                                        "call-number",
                                        "keyword",
                                        "abstract",
                                        "note",
                                        "number-of-volumes",
                                        "collection-editor",
                                        "edition",
                                        "genre",
                                        "translator",
                                        "container-title-short",
                                        "journalAbbreviation",
                                        "ISBN",
                                        "ISSN",
                                        "id",
                                        "URL",
                                        "DOI"};

void fill(const json& item, ReferenceRecord& r) {
    const auto text = [&](const char* key) {
        const auto it = item.find(key);
        return it == item.end() ? std::string() : scalar(*it);
    };
    const auto names = [&](int field, const char* key) {
        const auto it = item.find(key);
        if (it == item.end() || !it->is_array()) return;
        for (const json& n : *it) r.addLine(field, catalogueName(n));
    };
    const std::string type = text("type");
    std::string_view endNote = "Generic";
    for (const TypeRow& row : kTypes)
        if (row.csl == type) endNote = row.endNote;
    r.values[kType] = endNote;
    const bool book = type == "book" || type == "report";
    const bool part = type == "chapter" || type == "paper-conference";

    names(kAuthor, "author");
    if (const auto it = item.find("issued"); it != item.end()) {
        const DateParts d = dateOf(*it);
        r.values[kYear] = d.year;
        if (d.month >= 1 && d.month <= 12) {
            r.values[kDate] = std::string(kMonths[d.month - 1]);
            if (d.day > 0) r.values[kDate] += " " + std::to_string(d.day);
        }
    }
    r.setIfEmpty(kTitle, text("title"));
    r.setIfEmpty(kSecondaryTitle, book ? text("collection-title") : text("container-title"));
    names(kSecondaryAuthor, "editor");
    names(kSecondaryAuthor, "container-author");
    r.setIfEmpty(kPlace, text("publisher-place"));
    r.setIfEmpty(kPublisher, text("publisher"));
    r.setIfEmpty(kVolume, text("volume"));
    r.setIfEmpty(kNumber, text("issue"));
    r.setIfEmpty(kNumber, text("number"));
    r.setIfEmpty(kPages, text("page"));
    r.setIfEmpty(kPages, text("number-of-pages"));
    r.setIfEmpty(kCallNumber, text("call-number"));
    const std::string keywords = text("keyword");
    for (std::size_t pos = 0;;) {
        const std::size_t end = keywords.find_first_of(",;", pos);
        r.addLine(kKeywords, std::string_view(keywords).substr(
                                 pos, end == std::string::npos ? end : end - pos));
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    r.setIfEmpty(kAbstract, text("abstract"));
    r.addLine(kNotes, text("note"));
    r.setIfEmpty(kNumberOfVolumes, text("number-of-volumes"));
    names(kTertiaryAuthor, "collection-editor");
    if (part) r.setIfEmpty(kTertiaryTitle, text("collection-title"));
    r.setIfEmpty(kEdition, text("edition"));
    r.setIfEmpty(kTypeOfWork, text("genre"));
    names(kSubsidiaryAuthor, "translator");
    r.setIfEmpty(kAlternateTitle, text("container-title-short"));
    r.setIfEmpty(kAlternateTitle, text("journalAbbreviation"));
    const std::string isbn = text("ISBN");
    const std::string issn = text("ISSN");
    r.setIfEmpty(kIsbn, isbn.empty() ? issn : issn.empty() ? isbn : isbn + "; " + issn);
    r.setIfEmpty(kLabel, text("id"));
    r.addLine(kUrl, text("URL"));
    r.doi = bareDoi(text("DOI"));
    for (const auto& [key, value] : item.items()) {
        if (std::find(std::begin(kMapped), std::end(kMapped), key) != std::end(kMapped)) continue;
        if (!value.is_null() && !(value.is_string() && value.get<std::string>().empty()))
            ++r.dropped;
    }
}

// Takes the objects of the top-level array one at a time, so that memory does not grow with
// the file; each object is parsed on its own.
class CslJsonSource : public RecordSource {
  public:
    explicit CslJsonSource(TextInput& input) : input_(input) {}

    bool next(ReferenceRecord& record) override {
        std::string_view object;
        while (nextObject(object)) {
            json item;
            try {
                item = json::parse(object);
            } catch (const json::parse_error& e) {
                problem_ = input_.path() + ", line " + std::to_string(objectLine_) +
                           ": expected a JSON object (" + e.what() + ")";
                return false;
            }
            record.clear();
            record.line = objectLine_;
            fill(item, record);
            return true;
        }
        return false;
    }

  private:
    bool more() {
        if (pos_ < buffer_.size()) return true;
        buffer_.clear();
        pos_ = 0;
        return ended_ ? false : (ended_ = !input_.read(buffer_), pos_ < buffer_.size());
    }
    void skipSpaces() {
        while (more()) {
            const char c = buffer_[pos_];
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return;
            if (c == '\n') ++line_;
            ++pos_;
        }
    }
    void fail(const std::string& expected) {
        problem_ = input_.path() + ", line " + std::to_string(line_) + ": expected " + expected;
    }

    bool nextObject(std::string_view& object) {
        if (!problem_.empty() || done_) return false;
        skipSpaces();
        if (!started_) {
            started_ = true;
            if (!more()) {
                fail("a JSON array of references");
                return false;
            }
            if (buffer_[pos_] == '[') {
                ++pos_;
                inArray_ = true;
            } else if (buffer_[pos_] != '{') {
                fail("'[' or '{' at the start of the file");
                return false;
            }
        } else if (inArray_) {
            if (more() && buffer_[pos_] == ',') {
                ++pos_;
            } else if (more() && buffer_[pos_] == ']') {
                done_ = true;
                return false;
            } else {
                fail("',' or ']' after a reference");
                return false;
            }
        } else {
            done_ = true;
            return false;
        }
        skipSpaces();
        if (inArray_ && more() && buffer_[pos_] == ']' && count_ == 0) {
            done_ = true;
            return false;
        }
        if (!more() || buffer_[pos_] != '{') {
            fail(inArray_ ? "'{' starting a reference" : "a JSON object");
            return false;
        }
        // The object's extent: braces and brackets outside strings.
        object_.clear();
        objectLine_ = line_;
        int depth = 0;
        bool inString = false;
        bool escaped = false;
        while (more()) {
            const std::size_t start = pos_;
            bool closed = false;
            while (pos_ < buffer_.size()) {
                const char c = buffer_[pos_++];
                if (c == '\n') ++line_;
                if (inString) {
                    if (escaped) {
                        escaped = false;
                    } else if (c == '\\') {
                        escaped = true;
                    } else if (c == '"') {
                        inString = false;
                    }
                    continue;
                }
                if (c == '"') {
                    inString = true;
                } else if (c == '{' || c == '[') {
                    ++depth;
                } else if ((c == '}' || c == ']') && --depth == 0) {
                    closed = true;
                    break;
                }
            }
            object_.append(buffer_, start, pos_ - start);
            if (closed) {
                ++count_;
                object = object_;
                return true;
            }
        }
        fail("'}' closing the reference that starts on line " + std::to_string(objectLine_));
        return false;
    }

    TextInput& input_;
    std::string buffer_;
    std::size_t pos_ = 0;
    std::string object_;
    long line_ = 1;
    long objectLine_ = 0;
    long count_ = 0;
    bool ended_ = false;
    bool started_ = false;
    bool inArray_ = false;
    bool done_ = false;
};

}  // namespace

std::unique_ptr<RecordSource> openCslJsonSource(TextInput& input) {
    return std::make_unique<CslJsonSource>(input);
}

}  // namespace rq

namespace rq {

namespace {

using namespace fields;
using nlohmann::json;

std::string_view cslType(std::string_view endNote) {
    for (const TypeRow& row : kTypes)
        if (row.endNote == endNote) return row.csl;
    if (endNote == "Edited Book" || endNote == "Electronic Book") return "book";
    if (endNote == "Conference Paper") return "paper-conference";
    return "document";
}

// Bytes after which a string is not copied as it is: the quote, the backslash, controls.
constexpr ByteTable kJsonEscaped = [] {
    ByteTable table = byteTable("\"\\");
    for (int c = 0; c < 0x20; ++c) table[static_cast<std::size_t>(c)] = true;
    return table;
}();

// A JSON string as the JSON library writes it (UTF-8 as it is, the specials escaped). Strings
// that need no escape, the most, are copied; the others are left to the library.
void appendJsonString(std::string& out, std::string_view text) {
    std::string carry;
    const bool plain =
        findMarked(text, 0, kJsonEscaped,
                   [](std::uint64_t w) {
                       return word::hasBelow(w, 0x20) | word::has(w, '"') | word::has(w, '\\');
                   }) == text.size() &&
        validUtf8Block(text, carry, true);
    if (!plain) {
        out += json(std::string(text)).dump(-1, ' ', false, json::error_handler_t::replace);
        return;
    }
    out += '"';
    out += text;
    out += '"';
}

// A name list as CSL name objects, their keys in the library's order (family, given, literal,
// suffix); empty when there is no name.
void appendCslNames(std::string& out, std::string_view lines) {
    bool any = false;
    for (const std::string_view n : valueLines(lines)) {
        if (n == "et al." || n == "et al") continue;
        out += any ? ",{" : "[{";
        any = true;
        const std::size_t comma = n.find(',');
        if (comma == std::string_view::npos) {
            out += "\"literal\":";
            appendJsonString(out, n);
            out += '}';
            continue;
        }
        out += "\"family\":";
        appendJsonString(out, trimBlanks(n.substr(0, comma)));
        std::string_view rest = trimBlanks(n.substr(comma + 1));
        // "Last, Jr., First": the middle part is the suffix.
        std::string_view suffix;
        const std::size_t second = rest.find(',');
        if (second != std::string_view::npos) {
            suffix = trimBlanks(rest.substr(0, second));
            rest = trimBlanks(rest.substr(second + 1));
        }
        if (!rest.empty()) {
            out += ",\"given\":";
            appendJsonString(out, rest);
        }
        if (second != std::string_view::npos) {
            out += ",\"suffix\":";
            appendJsonString(out, suffix);
        }
        out += '}';
    }
    if (any) out += ']';
}

// Writes each item as one line of compact JSON, its members in the order of their keys, as the
// JSON library orders an object's members.
class CslJsonSink : public RecordSink {
  public:
    void begin(OutputFile& out) override { out.write("["); }
    void end(OutputFile& out) override { out.write(first_ ? "]\n" : "\n]\n"); }

    void write(OutputFile& out, const CatalogueRecord& r) override {
        used_ = 0;
        const auto text = [&](std::string_view key, std::string_view value) {
            const std::string v = oneLine(value);
            if (!v.empty()) appendJsonString(member(key), v);
        };
        const auto names = [&](std::string_view key, std::string_view value) {
            std::string& m = member(key);
            appendCslNames(m, value);
            if (m.empty()) --used_;
        };
        const std::string_view type = cslType(r[kType].empty() ? "Generic" : r[kType]);
        const bool book = type == "book" || type == "report";
        text("id", r[kLabel]);
        appendJsonString(member("type"), type);
        names("author", r[kAuthor]);
        const std::string year = oneLine(r[kYear]);
        if (!year.empty()) {
            std::string& issued = member("issued");
            if (std::all_of(year.begin(), year.end(),
                            [](char c) { return c >= '0' && c <= '9'; })) {
                issued += "{\"date-parts\":[[";
                issued += std::to_string(std::stoi(year));
                const CalendarDate date = parseCatalogueDate(r[kDate]);
                if (date.month > 0) issued += "," + std::to_string(date.month);
                if (date.month > 0 && date.day > 0) issued += "," + std::to_string(date.day);
                issued += "]]}";
            } else {
                issued += "{\"literal\":";
                appendJsonString(issued, year);
                issued += '}';
            }
        }
        text("title", r[kTitle]);
        text(book ? "collection-title" : "container-title", r[kSecondaryTitle]);
        names("editor", r[kSecondaryAuthor]);
        text("publisher-place", r[kPlace]);
        text("publisher", r[kPublisher]);
        text("volume", r[kVolume]);
        text("issue", r[kNumber]);
        text("page", r[kPages]);
        text("call-number", r[kCallNumber]);
        std::string keywords;
        for (const std::string_view k : valueLines(r[kKeywords]))
            keywords += (keywords.empty() ? "" : ", ") + std::string(k);
        text("keyword", keywords);
        text("abstract", r[kAbstract]);
        text("note", r[kNotes]);
        text("number-of-volumes", r[kNumberOfVolumes]);
        names("collection-editor", r[kTertiaryAuthor]);
        if (!book) text("collection-title", r[kTertiaryTitle]);
        text("edition", r[kEdition]);
        text("genre", r[kTypeOfWork]);
        names("translator", r[kSubsidiaryAuthor]);
        text("container-title-short", r[kAlternateTitle]);
        const std::string isbn = oneLine(r[kIsbn]);
        if (!isbn.empty())
            appendJsonString(member(isbn.size() == 9 && isbn[4] == '-' ? "ISSN" : "ISBN"), isbn);
        const std::vector<std::string_view> urls = valueLines(r[kUrl]);
        if (!urls.empty()) {
            const std::string doi = bareDoi(urls[0]);
            if (!doi.empty() && urls[0].find("doi.org/") != std::string_view::npos) {
                appendJsonString(member("DOI"), doi);
            } else {
                appendJsonString(member("URL"), urls[0]);
            }
        }

        // Each key is set once above; the members go out in the order of their keys.
        order_.clear();
        for (std::size_t i = 0; i < used_; ++i) order_.push_back(&members_[i]);
        std::sort(order_.begin(), order_.end(),
                  [](const Member* a, const Member* b) { return a->key < b->key; });
        line_.assign(first_ ? "\n  {" : ",\n  {");
        first_ = false;
        for (std::size_t i = 0; i < order_.size(); ++i) {
            if (i > 0) line_ += ',';
            line_ += '"';
            line_ += order_[i]->key;
            line_ += "\":";
            line_ += order_[i]->value;
        }
        line_ += '}';
        out.write(line_);
    }

  private:
    struct Member {
        std::string_view key;  // plain ASCII, written as it is
        std::string value;     // JSON
    };
    // The next member, its room kept from item to item.
    std::string& member(std::string_view key) {
        if (used_ == members_.size()) members_.emplace_back();
        Member& m = members_[used_++];
        m.key = key;
        m.value.clear();
        return m.value;
    }

    std::vector<Member> members_;
    std::size_t used_ = 0;
    std::vector<const Member*> order_;
    std::string line_;
    bool first_ = true;
};

}  // namespace

std::unique_ptr<RecordSink> makeCslJsonSink() {
    return std::make_unique<CslJsonSink>();
}

}  // namespace rq
