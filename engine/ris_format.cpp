// SPDX-License-Identifier: MIT
#include "engine/ris_format.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

namespace rq {

namespace {

using namespace fields;

// Lines of a TextInput, with CR LF, LF or CR ends. A line stays valid until the next call.
class LineInput {
  public:
    explicit LineInput(TextInput& input) : input_(input) {}

    bool next(std::string_view& line) {
        for (;;) {
            const char* const data = buffer_.data();
            const std::size_t n = buffer_.size();
            // The line end: the first LF, or a CR before it.
            const void* lf = std::memchr(data + pos_, '\n', n - pos_);
            std::size_t i =
                lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : n;
            if (const void* cr = std::memchr(data + pos_, '\r', i - pos_))
                i = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
            // A CR at the end of the buffer may have its LF in the next block.
            if (i < n && !(data[i] == '\r' && i + 1 == n && more_)) {
                line = std::string_view(data + pos_, i - pos_);
                pos_ = i + 1;
                if (data[i] == '\r' && pos_ < n && data[pos_] == '\n') ++pos_;
                ++number_;
                return true;
            }
            if (more_) {
                buffer_.erase(0, pos_);
                pos_ = 0;
                more_ = input_.read(buffer_);
                continue;
            }
            if (pos_ < n) {
                line = std::string_view(data + pos_, n - pos_);
                pos_ = n;
                ++number_;
                return true;
            }
            return false;
        }
    }
    long number() const { return number_; }

  private:
    TextInput& input_;
    std::string buffer_;
    std::size_t pos_ = 0;
    bool more_ = true;
    long number_ = 0;
};

constexpr int tagIndex(char a, char b) {
    const int second = b >= 'A' && b <= 'Z' ? b - 'A' : 26 + (b - '0');
    return (a - 'A') * 36 + second;
}
constexpr int kTagCount = 26 * 36;
constexpr int tag(const char (&t)[3]) {
    return tagIndex(t[0], t[1]);
}

// A tag line: two characters (A-Z, then A-Z or 0-9), one to three blanks, '-', an optional
// blank and the value. Returns the tag's index, or -1.
int parseTagLine(std::string_view line, std::string_view& value) {
    if (line.size() < 4) return -1;
    const char a = line[0];
    const char b = line[1];
    if (a < 'A' || a > 'Z' || !((b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'))) return -1;
    std::size_t k = 2;
    while (k < line.size() && k < 5 && line[k] == ' ') ++k;
    if (k == 2 || k >= line.size() || line[k] != '-') return -1;
    ++k;
    if (k < line.size() && line[k] == ' ') ++k;
    value = line.substr(k);
    return tagIndex(a, b);
}

// Tags whose repeated values all count, in file order.
bool isListTag(int t) {
    static constexpr int kList[] = {tag("AU"), tag("A1"), tag("A2"), tag("A3"), tag("A4"),
                                    tag("ED"), tag("KW"), tag("N1"), tag("UR"), tag("L2")};
    return std::find(std::begin(kList), std::end(kList), t) != std::end(kList);
}

// Tags whose continuation lines keep their line break.
bool keepsLineBreaks(int t) {
    return t == tag("AB") || t == tag("N1") || t == tag("N2");
}

// Every tag the catalogue takes; values of others are counted as dropped.
bool isMappedTag(int t) {
    static constexpr int kMapped[] = {
        tag("TY"), tag("AU"), tag("A1"), tag("PY"), tag("Y1"), tag("DA"), tag("TI"), tag("T1"),
        tag("CT"), tag("BT"), tag("T2"), tag("JF"), tag("JO"), tag("JA"), tag("J1"), tag("A2"),
        tag("ED"), tag("CY"), tag("PP"), tag("PB"), tag("VL"), tag("VO"), tag("IS"), tag("M1"),
        tag("CP"), tag("SP"), tag("EP"), tag("CN"), tag("KW"), tag("AB"), tag("N2"), tag("N1"),
        tag("NV"), tag("A3"), tag("T3"), tag("ET"), tag("M3"), tag("A4"), tag("J2"), tag("SN"),
        tag("AN"), tag("LB"), tag("ID"), tag("UR"), tag("L2"), tag("C1"), tag("C2"), tag("C3"),
        tag("C4"), tag("DO"), tag("ER")};
    return std::find(std::begin(kMapped), std::end(kMapped), t) != std::end(kMapped);
}

// The year of a PY, Y1 or DA value: its first four digits; "0000" is none; else the text before
// the first '/' as it stands ("in press").
std::string yearOf(std::string_view value) {
    value = trimBlanks(value);
    if (value.size() >= 4 && std::all_of(value.begin(), value.begin() + 4,
                                         [](char c) { return c >= '0' && c <= '9'; })) {
        const std::string_view year = value.substr(0, 4);
        return year == "0000" ? std::string() : std::string(year);
    }
    const std::string_view before = trimBlanks(value.substr(0, value.find('/')));
    return before == "0000" ? std::string() : std::string(before);
}

void splitInto(ReferenceRecord& record, int field, std::string_view value,
               std::string_view separators) {
    std::size_t pos = 0;
    for (;;) {
        const std::size_t end = value.find_first_of(separators, pos);
        record.addLine(field, value.substr(pos, end == std::string_view::npos ? end : end - pos));
        if (end == std::string_view::npos) return;
        pos = end + 1;
    }
}

class RisSource : public RecordSource {
  public:
    explicit RisSource(TextInput& input) : input_(input), lines_(input) {}

    bool next(ReferenceRecord& record) override {
        std::string_view line;
        while (lines_.next(line)) {
            if (lines_.number() == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
            std::string_view value;
            const int t = parseTagLine(line, value);
            if (t == tag("TY")) {
                ++records_;
                const bool hadRecord = open_;
                if (hadRecord) build(record);
                startRecord(value);
                if (hadRecord) return true;
                continue;
            }
            if (!open_) continue;  // banners and blank lines between records
            if (t == tag("ER")) {
                build(record);
                open_ = false;
                return true;
            }
            if (t >= 0) {
                add(t, value);
            } else {
                continueValue(line);
            }
        }
        if (open_) {  // the last record lacks its ER
            build(record);
            open_ = false;
            return true;
        }
        if (records_ == 0 && problem_.empty() && !input_.failed())
            problem_ = input_.path() + ": no RIS record (no line \"TY  - \") in the file";
        return false;
    }

  private:
    void startRecord(std::string_view type) {
        for (const int t : used_) values_[t].clear();
        used_.clear();
        open_ = true;
        line_ = lines_.number();
        current_ = tag("TY");
        add(tag("TY"), type);
    }

    void add(int t, std::string_view value) {
        std::vector<std::string>& v = values_[t];
        if (v.empty()) used_.push_back(t);
        current_ = t;
        value = trimBlanks(value);
        if (isListTag(t)) {
            v.emplace_back(value);
        } else if (v.empty()) {
            v.emplace_back(value);
        } else if (v.front().empty()) {
            v.front().assign(value);  // an empty value never overrides; a later one fills it
        }
    }

    void continueValue(std::string_view line) {
        line = trimBlanks(line);
        if (line.empty() || current_ < 0) return;
        std::vector<std::string>& v = values_[current_];
        if (current_ == tag("KW")) {
            v.emplace_back(line);
            return;
        }
        if (v.empty()) return;
        std::string& last = v.back();
        if (!last.empty()) last += keepsLineBreaks(current_) ? '\n' : ' ';
        last += line;
    }

    const std::string& first(const char (&t)[3]) const {
        static const std::string kNone;
        const std::vector<std::string>& v = values_[tag(t)];
        return v.empty() ? kNone : v.front();
    }
    const std::vector<std::string>& all(const char (&t)[3]) const { return values_[tag(t)]; }

    // The first non-empty value of the tags in priority order.
    std::string_view firstOf(std::initializer_list<int> tags) const {
        for (const int t : tags) {
            const std::vector<std::string>& v = values_[t];
            for (const std::string& s : v)
                if (!s.empty()) return s;
        }
        return {};
    }

    void build(ReferenceRecord& r) const {
        r.clear();
        r.line = line_;
        const std::string_view type = endNoteTypeForRis(first("TY"));
        const std::string ty(trimBlanks(first("TY")));
        r.values[kType].assign(type);
        const bool bookTitle = ty == "BOOK" || ty == "UNPB";

        for (const int t : used_) {
            if (t == tag("AU") || t == tag("A1")) {
                for (const std::string& name : values_[t]) {
                    if (t == tag("AU")) {
                        splitInto(r, kAuthor, name, ";");
                    } else {
                        r.addLine(kAuthor, name);
                    }
                }
            }
        }
        for (const int t : {tag("PY"), tag("Y1"), tag("DA")}) {
            const std::string year = values_[t].empty() ? std::string() : yearOf(values_[t][0]);
            if (!year.empty()) {
                r.values[kYear] = year;
                break;
            }
        }
        r.setIfEmpty(kTitle, firstOf({tag("TI"), tag("T1"), tag("CT")}));
        if (bookTitle) r.setIfEmpty(kTitle, first("BT"));
        r.setIfEmpty(kSecondaryTitle, firstOf({tag("T2"), tag("JF"), tag("JO")}));
        if (!bookTitle) r.setIfEmpty(kSecondaryTitle, first("BT"));
        r.setIfEmpty(kSecondaryTitle, firstOf({tag("JA"), tag("J1")}));
        for (const std::string& name : all(all("A2").empty() ? "ED" : "A2"))
            r.addLine(kSecondaryAuthor, name);
        r.setIfEmpty(kPlace, firstOf({tag("CY"), tag("PP")}));
        r.setIfEmpty(kPublisher, first("PB"));
        r.setIfEmpty(kVolume, firstOf({tag("VL"), tag("VO")}));
        r.setIfEmpty(kNumber, firstOf({tag("IS"), tag("M1"), tag("CP")}));
        const std::string_view sp = trimBlanks(first("SP"));
        const std::string_view ep = trimBlanks(first("EP"));
        if (!sp.empty() && !ep.empty() && sp.find('-') == std::string_view::npos) {
            r.values[kPages] = std::string(sp) + "-" + std::string(ep);
        } else {
            r.setIfEmpty(kPages, sp.empty() ? ep : sp);
        }
        r.setIfEmpty(kCallNumber, first("CN"));
        for (const std::string& k : all("KW")) splitInto(r, kKeywords, k, ";");
        r.setIfEmpty(kAbstract, firstOf({tag("AB"), tag("N2")}));
        for (const std::string& n : all("N1")) r.addLine(kNotes, n);
        r.setIfEmpty(kNumberOfVolumes, first("NV"));
        for (const std::string& name : all("A3")) r.addLine(kTertiaryAuthor, name);
        r.setIfEmpty(kTertiaryTitle, first("T3"));
        r.setIfEmpty(kEdition, first("ET"));
        r.setIfEmpty(kDate, first("DA"));
        const std::string& m3 = first("M3");
        std::string doi = bareDoi(first("DO"));
        if (!bareDoi(m3).empty()) {
            if (doi.empty()) doi = bareDoi(m3);
        } else {
            r.setIfEmpty(kTypeOfWork, m3);
        }
        r.doi = doi;
        for (const std::string& name : all("A4")) r.addLine(kSubsidiaryAuthor, name);
        r.setIfEmpty(kAlternateTitle, firstOf({tag("J2"), tag("JA"), tag("J1")}));
        r.setIfEmpty(kIsbn, first("SN"));
        r.setIfEmpty(kAccessionNumber, first("AN"));
        r.setIfEmpty(kLabel, firstOf({tag("LB"), tag("ID")}));
        for (const std::string& u : all("UR")) splitInto(r, kUrl, u, ";\n");
        for (const std::string& u : all("L2")) r.addLine(kUrl, u);
        r.setIfEmpty(kCustom1, first("C1"));
        r.setIfEmpty(kCustom1 + 1, first("C2"));
        r.setIfEmpty(kCustom1 + 2, first("C3"));
        r.setIfEmpty(kCustom1 + 3, first("C4"));
        for (const int t : used_) {
            if (isMappedTag(t)) continue;
            for (const std::string& v : values_[t])
                if (!v.empty()) ++r.dropped;
        }
    }

    TextInput& input_;
    LineInput lines_;
    std::array<std::vector<std::string>, kTagCount> values_{};
    std::vector<int> used_;
    int current_ = -1;
    bool open_ = false;
    long line_ = 0;
    long records_ = 0;
};

}  // namespace

std::unique_ptr<RecordSource> openRisSource(TextInput& input) {
    return std::make_unique<RisSource>(input);
}

}  // namespace rq

namespace rq {

namespace {

using namespace fields;

// DA as RIS writes it, YYYY/MM/DD/, when the Date says a month; else as it stands.
std::string risDate(std::string_view year, std::string_view date) {
    const CalendarDate d = parseCatalogueDate(date);
    year = trimBlanks(year);
    const bool digits = year.size() == 4 && std::all_of(year.begin(), year.end(), [](char c) {
                            return c >= '0' && c <= '9';
                        });
    if (d.month == 0 || !digits) return oneLine(date);
    char text[16];
    std::snprintf(text, sizeof text, "%.4s/%02d/", year.data(), d.month);
    std::string out = text;
    if (d.day > 0) {
        std::snprintf(text, sizeof text, "%02d", d.day);
        out += text;
    }
    return out + "/";
}

class RisSink : public RecordSink {
  public:
    void begin(OutputFile& out) override { out.write("\xEF\xBB\xBF"); }

    void write(OutputFile& out, const CatalogueRecord& r) override {
        out_ = &out;
        tag("TY", risCodeForEndNoteType(r[kType].empty() ? "Generic" : r[kType]));
        each("AU", r[kAuthor], true);
        tag("PY", r[kYear]);
        tag("TI", oneLine(r[kTitle]));
        tag("T2", withoutStars(oneLine(r[kSecondaryTitle])));
        each("A2", r[kSecondaryAuthor], true);
        tag("CY", oneLine(r[kPlace]));
        tag("PB", oneLine(r[kPublisher]));
        tag("VL", r[kVolume]);
        tag("IS", r[kNumber]);
        const std::string pages = oneLine(r[kPages]);
        const std::size_t dash = pages.find('-');
        if (dash != std::string::npos && pages.find_first_of(",;") == std::string::npos) {
            tag("SP", trimBlanks(std::string_view(pages).substr(0, dash)));
            tag("EP", trimBlanks(std::string_view(pages).substr(pages.find_last_of('-') + 1)));
        } else {
            tag("SP", pages);
        }
        tag("CN", oneLine(r[kCallNumber]));
        each("KW", r[kKeywords], true);
        tag("AB", oneLine(r[kAbstract]));
        tag("N1", oneLine(r[kNotes]));
        tag("NV", r[kNumberOfVolumes]);
        each("A3", r[kTertiaryAuthor], true);
        tag("T3", oneLine(r[kTertiaryTitle]));
        tag("ET", r[kEdition]);
        tag("DA", risDate(r[kYear], r[kDate]));
        tag("M3", oneLine(r[kTypeOfWork]));
        each("A4", r[kSubsidiaryAuthor], true);
        tag("J2", withoutStars(oneLine(r[kAlternateTitle])));
        tag("SN", oneLine(r[kIsbn]));
        tag("AN", oneLine(r[kAccessionNumber]));
        tag("ID", oneLine(r[kLabel]));
        tag("LB", oneLine(r[kLabel]));
        each("UR", r[kUrl], false);
        for (int k = 0; k < 4; ++k) {
            const char name[3] = {'C', static_cast<char>('1' + k), '\0'};
            tag(name, oneLine(r[kCustom1 + k]));
        }
        out.write("ER  - \r\n\r\n");
    }

  private:
    static std::string withoutStars(std::string_view v) {
        std::string s(v);
        std::erase(s, '*');
        return std::string(trimBlanks(s));
    }
    void tag(const char* name, std::string_view value) {
        value = trimBlanks(value);
        if (value.empty()) return;
        out_->write(name, 2);
        out_->write("  - ", 4);
        out_->write(value);
        out_->endLine();
    }
    void each(const char* name, std::string_view value, bool noStars) {
        for (const std::string_view line : valueLines(value))
            tag(name, noStars ? withoutStars(line) : std::string(line));
    }

    OutputFile* out_ = nullptr;
};

}  // namespace

std::unique_ptr<RecordSink> makeRisSink() {
    return std::make_unique<RisSink>();
}

}  // namespace rq
