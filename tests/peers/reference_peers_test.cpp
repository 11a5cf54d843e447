// SPDX-License-Identifier: MIT
// The readers and writers against other programs that read the same formats: bibutils
// (ris2xml, bib2xml, xml2ris, xml2bib, xml2end) and python3-bibtexparser. Each corpus file is
// read by the peers and by us; every field on which the peers agree with each other must agree
// with ours, unless a rule of the design (listed in kDesignRules) decides otherwise. The summary
// of agreement is printed for the record.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "../engine/formats_fixture.h"
#include "base/windows1252.h"
#include "engine/reference_record.h"

namespace rq::test {
namespace {

using namespace fields;
using Fields = std::map<int, std::string>;  // field number to value, lines joined by '\n'

constexpr const char* kPython = "/usr/bin/python3";

// The output of a shell command; nullopt when it could not run or failed.
std::optional<std::string> run(const std::string& command) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string out;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    return ::pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
}

bool havePeer(const std::string& check) {
    return run(check + " >/dev/null 2>&1").has_value();
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

// What both sides are compared in: the catalogue's code page, blanks collapsed, pages with one
// dash (the design's rule for BibTeX's "--", which the peers keep or not at will).
std::string normal(int field, std::string_view value) {
    std::string text = utf8ToWindows1252(value).text;
    std::string out;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r') {
            blank = !out.empty() && out.back() != '\n';
            continue;
        }
        if (c == '\n') {
            blank = false;
            if (!out.empty() && out.back() != '\n') out += '\n';
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    if (field == kPages) {
        for (std::size_t at; (at = out.find("--")) != std::string::npos;) out.erase(at, 1);
        for (char& c : out)
            if (c == '\x96') c = '-';
    }
    return out;
}

// xml2end's refer format: "%X value" lines, records separated by blank lines.
std::vector<Fields> parseRefer(std::string_view text) {
    static const std::map<char, int> kTags = {{'A', kAuthor},         {'D', kYear},
                                              {'T', kTitle},          {'J', kSecondaryTitle},
                                              {'B', kSecondaryTitle}, {'E', kSecondaryAuthor},
                                              {'C', kPlace},          {'I', kPublisher},
                                              {'V', kVolume},         {'N', kNumber},
                                              {'P', kPages},          {'K', kKeywords},
                                              {'X', kAbstract},       {'@', kIsbn},
                                              {'F', kLabel},          {'0', kType}};
    std::vector<Fields> records;
    bool open = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        if (line.size() < 3 || line[0] != '%') {
            open = false;
            continue;
        }
        if (!open) records.emplace_back();
        open = true;
        const auto tag = kTags.find(line[1]);
        if (tag == kTags.end()) continue;
        std::string& v = records.back()[tag->second];
        if (!v.empty()) v += '\n';
        v += line.substr(3);
    }
    return records;
}

// bibtexparser's entries, printed by a small script as "@type<TAB>key" and "field<TAB>value".
std::vector<Fields> parseBibtexparser(std::string_view text) {
    static const std::map<std::string, int> kNames = {{"author", kAuthor},
                                                      {"year", kYear},
                                                      {"title", kTitle},
                                                      {"journal", kSecondaryTitle},
                                                      {"journaltitle", kSecondaryTitle},
                                                      {"editor", kSecondaryAuthor},
                                                      {"address", kPlace},
                                                      {"location", kPlace},
                                                      {"publisher", kPublisher},
                                                      {"volume", kVolume},
                                                      {"number", kNumber},
                                                      {"pages", kPages},
                                                      {"abstract", kAbstract},
                                                      {"isbn", kIsbn}};
    std::vector<Fields> records;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) continue;
        std::string value(line.substr(tab + 1));
        for (std::size_t at; (at = value.find("\\n")) != std::string::npos;)
            value.replace(at, 2, "\n");
        if (line[0] == '@') {
            records.emplace_back()[kLabel] = value;
            continue;
        }
        if (records.empty()) continue;
        const std::string name(line.substr(0, tab));
        const auto field = kNames.find(name);
        if (field != kNames.end()) records.back()[field->second] = value;
        if (name == "date" && !records.back().count(kYear))
            records.back()[kYear] = value.substr(0, 4);
    }
    return records;
}

constexpr const char* kBibtexparserScript = R"(
import sys, bibtexparser
from bibtexparser.bparser import BibTexParser
from bibtexparser.customization import convert_to_unicode, author, editor
def custom(r):
    return editor(author(convert_to_unicode(r)))
p = BibTexParser(common_strings=True, ignore_nonstandard_types=False, add_missing_from_crossref=True)
p.customization = custom
raw = open(sys.argv[1], 'rb').read()
enc = 'utf-16' if raw[:2] in (b'\xff\xfe', b'\xfe\xff') else ('cp1252' if b'windows-1252' in raw[:200] else 'utf-8-sig')
db = bibtexparser.loads(raw.decode(enc), parser=p)
for e in db.entries:
    if e.get('ENTRYTYPE') in ('set', 'xdata'): continue
    print('@' + e.get('ENTRYTYPE', '') + '\t' + e.get('ID', ''))
    for k, v in e.items():
        if k in ('ENTRYTYPE', 'ID'): continue
        if isinstance(v, list): v = '\n'.join(x if isinstance(x, str) else x.get('name', '') for x in v)
        print(k + '\t' + str(v).replace('\n', '\\n'))
)";

// Where the design's table decides against what the peers agree on: field, and the test that
// tells such a case from a fault. Each is reported in the closing note of the work.
struct DesignRule {
    int field;
    const char* why;
    std::function<bool(const std::string& ours, const std::string& peers, const Fields& record)>
        applies;
};

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::string withoutBlanks(std::string s) {
    std::erase(s, ' ');
    return s;
}

std::multiset<std::string> names(const std::string& lines) {
    std::multiset<std::string> out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t end = lines.find_first_of("\n;", pos);
        out.insert(withoutBlanks(lines.substr(pos, end == std::string::npos ? end : end - pos)));
        if (end == std::string::npos) return out;
        pos = end + 1;
    }
}

const DesignRule kDesignRules[] = {
    {kTitle, "Title: BibLaTeX's subtitle joins the title after ': '",
     [](const std::string& o, const std::string& p, const Fields&) {
         return startsWith(o, p + ": ") || startsWith(o, p + " ");
     }},
    {kAuthor,
     "Author: names as the file writes them, AU and A1 in file order, an AU holding ';' split "
     "(bibutils puts A1 first and a blank after the comma)",
     [](const std::string& o, const std::string& p, const Fields&) {
         return names(o) == names(p);
     }},
    {kAbstract, "Abstract: a continuation line of AB or N2 keeps its line break",
     [](const std::string& o, const std::string& p, const Fields&) {
         std::string joined = o;
         std::replace(joined.begin(), joined.end(), '\n', ' ');
         return joined == p;
     }},
    {kSecondaryAuthor, "Editor: the editors of a book with authors go to Tertiary Author",
     [](const std::string& o, const std::string& p, const Fields& record) {
         const auto tertiary = record.find(kTertiaryAuthor);
         return o.empty() && tertiary != record.end() &&
                names(normal(kAuthor, tertiary->second)) == names(p);
     }},
    {kTitle, "Title: LaTeX is decoded (the peers keep \\TeX)",
     [](const std::string&, const std::string& p, const Fields&) {
         return p.find('\\') != std::string::npos;
     }},
};

// Single cases where the design's priorities differ from a peer's: file, record, field.
struct DecidedCase {
    const char* file;
    std::size_t record;
    int field;
    const char* why;
};
const DecidedCase kDecidedCases[] = {
    {"jabref-RisImporterTest1.ris", 1, kTitle, "Title: TI before T1 (bibutils takes the first T1)"},
    {"jabref-RisImporterTest1.ris", 3, kAbstract, "Abstract: AB before N2 (bibutils takes N2)"},
    {"rispy-example_empty_tag.ris", 1, kAuthor,
     "Author: a name without a comma stays as written (bibutils makes \"E., Fanning\")"},
};

// Files a peer cannot read at all, and why.
const std::pair<const char*, const char*> kUnreadable[] = {
    {"rispy-example_bom.ris", "a byte-order mark before TY: bibutils reads no record"},
    {"jabref-encoding-utf-16BE-without-header.bib", "UTF-16: bibutils reads no record"},
    {"jabref-tiny-LE-withBOM.bib", "UTF-16: bibutils reads no record"},
    {"jabref-encoding-windows-1252-with-header.bib",
     "an entry without a key: bibutils keeps no field of it"},
};

struct Tally {
    int records = 0, agreeingRecords = 0, fields = 0, agreeingFields = 0, decided = 0;
};

class ReferencePeersTest : public FormatsTest {
  protected:
    void SetUp() override {
        if (!havePeer("ris2xml -h") && !havePeer("command -v ris2xml"))
            GTEST_SKIP() << "bibutils is not installed";
        if (!havePeer(std::string(kPython) + " -c 'import bibtexparser'"))
            GTEST_SKIP() << "python3-bibtexparser is not installed";
        writeFile(path("peer.py"), kBibtexparserScript);
    }

    std::vector<Fields> ours(const std::string& file) {
        TextInput probe;
        std::string head;
        EXPECT_TRUE(probe.open(file));
        while (probe.read(head)) {
        }
        const auto format = detectReferenceFormat(head, extension(file));
        TextInput input;
        input.open(file);
        auto source = openRecordSource(*format, input);
        std::vector<Fields> out;
        ReferenceRecord r;
        while (source->next(r)) {
            std::string text;
            catalogueRecordText(r, text);  // DOI and all, as the CSV gets it
            Fields f;
            for (int n = 1; n <= kFieldCount; ++n)
                if (r.has(n)) f[n] = r.values[n];
            if (f.size() > 1) out.push_back(f);
        }
        return out;
    }

    std::vector<Fields> bibutils(const std::string& file, const char* reader) {
        const auto out =
            run(std::string(reader) + " " + quoted(file) + " 2>/dev/null | xml2end 2>/dev/null");
        EXPECT_TRUE(out.has_value()) << reader << " " << file;
        std::vector<Fields> records = out ? parseRefer(*out) : std::vector<Fields>{};
        // bibutils makes records of empty entries (sets); they are no references.
        std::erase_if(records, [](const Fields& f) { return f.size() <= 2 && !f.count(kTitle); });
        return records;
    }

    std::vector<Fields> bibtexparser(const std::string& file) {
        const auto out =
            run(std::string(kPython) + " " + quoted(path("peer.py")) + " " + quoted(file));
        EXPECT_TRUE(out.has_value()) << "bibtexparser " << file;
        return out ? parseBibtexparser(*out) : std::vector<Fields>{};
    }

    // Compares ours with the peers' consensus field by field; fields that any peer lacks are not
    // compared. Records are matched in file order.
    void compare(const std::string& name, const std::vector<Fields>& mine,
                 const std::vector<std::vector<Fields>>& allPeers, const std::vector<int>& compared,
                 Tally& tally) {
        // A peer that cannot read a file the design reads leaves the comparison, for the files
        // named in kUnreadable only.
        std::vector<const std::vector<Fields>*> peers;
        for (const auto& p : allPeers) {
            if (p.size() == mine.size()) {
                peers.push_back(&p);
                continue;
            }
            const char* why = nullptr;
            for (const auto& [file, reason] : kUnreadable)
                if (name.ends_with(file)) why = reason;
            ASSERT_NE(why, nullptr) << name << ": " << p.size() << " records, ours " << mine.size();
            std::printf("design decides: %s: %s\n", name.c_str(), why);
        }
        if (peers.empty()) return;
        for (std::size_t i = 0; i < mine.size(); ++i) {
            ++tally.records;
            bool agrees = true;
            for (const int field : compared) {
                std::optional<std::string> consensus;
                bool disagree = false;
                for (const auto* p : peers) {
                    const auto it = (*p)[i].find(field);
                    if (it == (*p)[i].end()) {
                        disagree = true;
                        break;
                    }
                    const std::string v = normal(field, it->second);
                    if (consensus && *consensus != v) disagree = true;
                    consensus = v;
                }
                if (disagree || !consensus || consensus->empty()) continue;
                ++tally.fields;
                const auto it = mine[i].find(field);
                const std::string o = it == mine[i].end() ? "" : normal(field, it->second);
                if (o == *consensus) {
                    ++tally.agreeingFields;
                    continue;
                }
                const DesignRule* rule = nullptr;
                for (const DesignRule& r : kDesignRules)
                    if (r.field == field && r.applies(o, *consensus, mine[i])) rule = &r;
                const char* why = rule != nullptr ? rule->why : nullptr;
                for (const DecidedCase& c : kDecidedCases)
                    if (name.ends_with(c.file) && c.record == i + 1 && c.field == field)
                        why = c.why;
                if (why != nullptr) {
                    ++tally.decided;
                    std::printf("design decides: %s record %zu: %s\n", name.c_str(), i + 1, why);
                    continue;
                }
                agrees = false;
                ADD_FAILURE() << name << " record " << i + 1 << " field " << jfileName(field)
                              << ": ours \"" << o << "\", peers \"" << *consensus << "\"";
            }
            if (agrees) ++tally.agreeingRecords;
        }
    }

    static void report(const char* what, const Tally& t) {
        std::printf("%s: %d of %d records and %d of %d fields agree, %d decided by the design\n",
                    what, t.agreeingRecords, t.records, t.agreeingFields, t.fields, t.decided);
    }

    std::vector<std::string> corpus(const std::string& ext) {
        std::vector<std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(dataFile("reference-formats", "")))
            if (e.path().extension() == ext) files.push_back(e.path().string());
        std::sort(files.begin(), files.end());
        return files;
    }
};

const std::vector<int> kRisFields = {kAuthor, kYear,      kTitle,    kSecondaryTitle,
                                     kPlace,  kPublisher, kVolume,   kNumber,
                                     kPages,  kKeywords,  kAbstract, kIsbn};

TEST_F(ReferencePeersTest, RisCorpusAgreesWithBibutils) {
    Tally tally;
    for (const std::string& file : corpus(".ris"))
        compare(file, ours(file), {bibutils(file, "ris2xml")}, kRisFields, tally);
    report("RIS read, bibutils", tally);
    EXPECT_GT(tally.fields, 60);
}

const std::vector<int> kBibFields = {
    kAuthor,   kYear,      kTitle,  kSecondaryTitle, kSecondaryAuthor,
    kPlace,    kPublisher, kVolume, kNumber,         kPages,
    kAbstract, kIsbn,      kLabel};

TEST_F(ReferencePeersTest, BibTeXCorpusAgreesWhereBibutilsAndBibtexparserAgree) {
    Tally both, withBibutils, withBibtexparser;
    for (const std::string& file : corpus(".bib")) {
        const auto mine = ours(file);
        const auto a = bibutils(file, "bib2xml");
        const auto b = bibtexparser(file);
        compare(file, mine, {a, b}, kBibFields, both);
        // Against each peer alone, for the record only.
        for (const auto& [peer, tally] :
             {std::pair{&a, &withBibutils}, std::pair{&b, &withBibtexparser}}) {
            ::testing::TestPartResultArray failures;
            {
                ::testing::ScopedFakeTestPartResultReporter quiet(
                    ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
                    &failures);
                compare(file, mine, {*peer}, kBibFields, *tally);
            }
        }
    }
    report("BibTeX read, both peers where they agree", both);
    report("BibTeX read, bibutils alone", withBibutils);
    report("BibTeX read, bibtexparser alone", withBibtexparser);
    EXPECT_GT(both.fields, 300);
}

// What we write, the peers read back with the same fields.
TEST_F(ReferencePeersTest, WrittenFilesAreReadBackByThePeers) {
    for (FieldSlot& slot : settings.strategy.slots) {
        slot.selected = true;
        slot.maxLength = 30000;
    }
    const std::string source = dataFile("reference-formats", "biblatex-examples.bib");
    ASSERT_GT(
        exportReferenceFile(settings.strategy, ctx.host, output, source, path("db.out")).records,
        80);
    Tally ris, bib, bibBack;
    ASSERT_FALSE(
        writeReferenceFile(ctx.host, output, path("db.out"), path("w.ris"), ReferenceFormat::Ris)
            .failed);
    ASSERT_FALSE(
        writeReferenceFile(ctx.host, output, path("db.out"), path("w.bib"), ReferenceFormat::BibTeX)
            .failed);
    const auto fromRis = ours(path("w.ris"));
    const auto fromBib = ours(path("w.bib"));
    compare("written RIS", fromRis, {bibutils(path("w.ris"), "ris2xml")}, kRisFields, ris);
    compare("written BibTeX", fromBib,
            {bibutils(path("w.bib"), "bib2xml"), bibtexparser(path("w.bib"))}, kBibFields, bib);
    report("RIS written, read back by bibutils", ris);
    report("BibTeX written, read back by both peers", bib);
    EXPECT_GT(ris.fields, 400);
    EXPECT_GT(bib.fields, 400);
}

}  // namespace
}  // namespace rq::test
