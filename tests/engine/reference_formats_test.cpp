// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "base/windows1252.h"
#include "engine/bibtex_format.h"
#include "engine/reference_record.h"
#include "formats_fixture.h"

namespace rq::test {
namespace {

using namespace fields;
using namespace std::string_view_literals;

class ReferenceFormatsTest : public FormatsTest {
  protected:
    // The records of a file of the given bytes, named `name`, read in blocks of `blockSize`.
    std::vector<ReferenceRecord> records(std::string_view name, std::string_view bytes,
                                         std::size_t blockSize = TextInput::kBlockSize) {
        writeFile(path(name), bytes);
        TextInput input;
        EXPECT_TRUE(input.open(path(name)));
        input.setBlockSize(blockSize);
        std::string head;
        {
            TextInput probe;
            probe.open(path(name));
            while (probe.read(head)) {
            }
        }
        const auto format = detectReferenceFormat(head, extension(name));
        EXPECT_TRUE(format && *format != ReferenceFormat::EndNoteExport) << name;
        std::vector<ReferenceRecord> out;
        if (!format || *format == ReferenceFormat::EndNoteExport) return out;
        auto source = openRecordSource(*format, input);
        ReferenceRecord r;
        while (source->next(r)) out.push_back(r);
        problem = source->problem();
        notes = source->takeNotes();
        return out;
    }
    ReferenceRecord one(std::string_view name, std::string_view bytes) {
        auto all = records(name, bytes);
        EXPECT_EQ(all.size(), 1u) << bytes;
        return all.empty() ? ReferenceRecord{} : all[0];
    }

    std::string problem;
    std::vector<std::string> notes;
};

TEST(ReferenceFormatDetection, ContentDecidesAndTheExtensionBreaksTies) {
    struct Case {
        std::string_view head, ext;
        std::optional<ReferenceFormat> want;
    } cases[] = {
        {"TY  - JOUR\r\nER  - \r\n", ".txt", ReferenceFormat::Ris},
        {"Record #1 of 2\nProvider: x\n1.\nTY  - BOOK\n", "", ReferenceFormat::Ris},
        {"% comment\n@Article{k,\n title={x}}\n", ".txt", ReferenceFormat::BibTeX},
        {"  @book (k, title=\"x\")", ".bib", ReferenceFormat::BibTeX},
        {"\xEF\xBB\xBF[ {\"id\": 1} ]", ".json", ReferenceFormat::CslJson},
        {"{\"id\": 1}", "", ReferenceFormat::CslJson},
        {"[bracketed]\tSmith\t1999\xB0\r\n", ".txt", ReferenceFormat::EndNoteExport},
        {"Book\tSmith\t1999\xB0\r\n", ".txt", ReferenceFormat::EndNoteExport},
        {"TY  - JOUR\n@article{k, title={x}}\n", ".bib", ReferenceFormat::BibTeX},
        {"TY  - JOUR\n@article{k, title={x}}\n", ".ris", ReferenceFormat::Ris},
        {"user@example.org wrote\n", ".txt", ReferenceFormat::EndNoteExport},
        {std::string_view("BOOKMOBI\0\0\x01", 11), ".pdb", std::nullopt},
        {"%PDF-1.4\n\x01\x02", ".pdf", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(detectReferenceFormat(c.head, c.ext), c.want) << c.head;
}

TEST(ReferenceEncodings, MarkThenEncodingLineThenNothing) {
    std::size_t skip = 9;
    EXPECT_EQ(declaredEncoding("\xEF\xBB\xBFTY", skip), TextEncoding::Utf8);
    EXPECT_EQ(skip, 3u);
    EXPECT_EQ(declaredEncoding("\xFF\xFE@\0", skip), TextEncoding::Utf16LE);
    EXPECT_EQ(declaredEncoding("\xFE\xFF\0@", skip), TextEncoding::Utf16BE);
    EXPECT_EQ(skip, 2u);
    EXPECT_EQ(declaredEncoding("% Encoding: windows-1252\n\n@Article{", skip),
              TextEncoding::Windows1252);
    EXPECT_EQ(skip, 0u);
    EXPECT_EQ(declaredEncoding("% This file was created with JabRef.\n% Encoding: UTF8\n", skip),
              TextEncoding::Utf8);
    EXPECT_EQ(declaredEncoding("% Encoding: ISO8859_1\n", skip), TextEncoding::Windows1252);
    EXPECT_EQ(declaredEncoding("@article{k,}", skip), std::nullopt);
}

TEST(ReferenceEncodings, Utf8ValidityHoldsAcrossBlockBoundaries) {
    std::string carry;
    // é split between two blocks is valid; a lone lead byte at the very end is not.
    EXPECT_TRUE(validUtf8Block("abc\xC3", carry, false));
    EXPECT_EQ(carry, "\xC3");
    EXPECT_TRUE(validUtf8Block("\xA9xyz", carry, true));
    EXPECT_TRUE(carry.empty());
    EXPECT_FALSE(validUtf8Block("abc\xC3", carry, true));
    carry.clear();
    EXPECT_FALSE(validUtf8Block("25\xB0 C", carry, true));  // Windows-1252 degree sign
    EXPECT_FALSE(validUtf8Block("\xE2\x82", carry, false) && validUtf8Block("x", carry, true));
}

// The word-wide check of ASCII and two-byte characters agrees with the decoder, with the bytes
// at every place next to the 8- and 32-byte steps and between plain and accented text.
TEST(ReferenceEncodings, Utf8ValidityAtEveryPlaceInTheWords) {
    const std::string sequences[] = {"\xC3\xA9",
                                     "\xC2\x80",
                                     "\xDF\xBF",
                                     "\xE2\x82\xAC",
                                     "\xF0\x9F\x98\x80",
                                     "\xC0\xAF",
                                     "\xC1\xBF",
                                     "\xC3"
                                     "A",
                                     "\xA9",
                                     "\xC3\xC3\xA9",
                                     "\xE0\x80\x80",
                                     "\xED\xA0\x80",
                                     "\xF5\x80\x80\x80",
                                     "\xFF",
                                     "\xC3\xA9\xA9"};
    for (const std::string& filler : {std::string("a"), std::string("\xC3\xB6")}) {
        for (const std::string& sequence : sequences) {
            for (std::size_t at = 0; at <= 40; ++at) {
                std::string text;
                while (text.size() < at) text += filler;
                text += sequence;
                for (std::size_t k = 0; k < 40; k += filler.size()) text += filler;
                std::string carry;
                EXPECT_EQ(validUtf8Block(text, carry, true), isValidUtf8(text))
                    << testing::PrintToString(text);
            }
        }
    }
}

// The text as a reader that checks while it reads gets it: read again after a change.
std::string readChecked(TextInput& input) {
    std::string text;
    while (input.readChecking(text)) {
    }
    if (!input.changedEncoding()) return text;
    text.clear();
    EXPECT_TRUE(input.rewind());
    while (input.readChecking(text)) {
    }
    return text;
}

TEST_F(ReferenceFormatsTest, TextCheckedWhileReadAcrossItsBlocks) {
    const std::string a(TextInput::kBlockSize - 1, 'a');
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        std::string tail;  // of the text, after the run of 'a'
    } cases[] = {
        {a + "\xC3\xA9z", TextEncoding::Utf8, "\xC3\xA9z"},  // a character cut by the block's end
        {a + "\xC3\xA9z\xE9", TextEncoding::Windows1252, "\xC3\x83\xC2\xA9z\xC3\xA9"},
        {a + "\xC3(", TextEncoding::Windows1252, "\xC3\x83("},
        {a + a + "b\xC3", TextEncoding::Windows1252, "b\xC3\x83"},  // unfinished at the end
    };
    for (const Case& c : cases) {
        writeFile(path("w"), c.bytes);
        TextInput input;
        ASSERT_TRUE(input.open(path("w")));
        const std::string text = readChecked(input);
        EXPECT_TRUE(input.decided());
        EXPECT_EQ(input.encoding(), c.encoding);
        const std::size_t run = c.bytes.find_first_not_of('a');
        EXPECT_EQ(text.substr(0, run), c.bytes.substr(0, run));
        EXPECT_EQ(text.substr(run), c.tail);
    }
}

TEST_F(ReferenceFormatsTest, TextInputDecodesEveryEncodingToUtf8) {
    struct Case {
        std::string_view bytes;
        TextEncoding encoding;
        std::string_view text;
    } cases[] = {
        {"\xFF\xFE\x41\x00\xE9\x00\x3D\xD8\x00\xDE"sv, TextEncoding::Utf16LE,
         "A\xC3\xA9\xF0\x9F\x98\x80"},
        {"\xFE\xFF\x00\x41\x01\x42\xD8\x3D"sv, TextEncoding::Utf16BE,
         "A\xC5\x82\xEF\xBF\xBD"},  // a high surrogate without its pair
        {"caf\xE9 \x80", TextEncoding::Windows1252, "caf\xC3\xA9 \xE2\x82\xAC"},
        {"\xEF\xBB\xBF\xC5\x82", TextEncoding::Utf8, "\xC5\x82"},
    };
    for (const Case& c : cases) {
        writeFile(path("t"), c.bytes);
        TextInput input;
        ASSERT_TRUE(input.open(path("t")));
        std::string text;
        while (input.read(text)) {
        }
        EXPECT_EQ(input.encoding(), c.encoding);
        EXPECT_EQ(text, c.text);
        // Read again from the start, as after the format's probe.
        ASSERT_TRUE(input.rewind());
        std::string again;
        while (input.read(again)) {
        }
        EXPECT_EQ(again, c.text);
        // The encoding decided on the text itself.
        TextInput checked;
        ASSERT_TRUE(checked.open(path("t")));
        EXPECT_EQ(readChecked(checked), c.text);
        EXPECT_EQ(checked.encoding(), c.encoding);
    }
    // One invalid byte far into a large file makes the whole file Windows-1252.
    std::string big(TextInput::kBlockSize * 2 + 5, 'a');
    big[TextInput::kBlockSize + 7] = '\xE9';
    writeFile(path("big"), big);
    TextInput input;
    ASSERT_TRUE(input.open(path("big")));
    EXPECT_EQ(input.encoding(), TextEncoding::Windows1252);
    // UTF-8 first and Windows-1252 only far on: a file of Windows-1252, however it is read.
    const std::string entry = "@misc{k, title = {caf\xC3\xA9}}\n";
    writeFile(path("late.bib"), entry + std::string(9000, ' ') + "\xE9");
    EXPECT_EQ(one("late.bib", readFile(path("late.bib"))).values[kTitle], "caf\xC3\x83\xC2\xA9");
    loadFactoryDefaults();
    ASSERT_EQ(
        exportReferenceFile(settings.strategy, ctx.host, output, path("late.bib"), path("late.csv"))
            .records,
        1);
    EXPECT_NE(readFile(path("late.csv")).find("caf\xC3\xA9"), std::string::npos);
    // So too where a syntax error ends the reading before the byte: a parent read before it is
    // read again as Windows-1252.
    const auto kid = records("early.bib",
                             "@incollection{kid, crossref = {p}}\n@book{p, title = {caf\xC3\xA9}}\n"
                             "@misc{b, title {x}}\n" +
                                 std::string(TextInput::kBlockSize, ' ') + "\xE9");
    ASSERT_EQ(kid.size(), 2u);
    EXPECT_EQ(kid[0].values[kSecondaryTitle], "caf\xC3\x83\xC2\xA9");
}

TEST_F(ReferenceFormatsTest, RisRecordRules) {
    const auto r = records("a.ris",
                           "Provider: x\r\n1.\r\n"
                           "TY  - JOUR\r\n"
                           "AU  - Smith, J.; Jones, K.\r\n"
                           "A1  - Brown, L.\r\n"
                           "T2  -\r\nJO  - Journal\r\n"
                           "PY  - 0000///\r\nY1  - 2001/09/01/\r\n"
                           "SP  - 12\r\nEP  - 34\r\n"
                           "KW  - a; b\r\nKW  - c\r\nd\r\n"
                           "N1  - first\r\n   second\r\n"
                           "TI  - wrapped\r\ntitle\r\n"
                           "M3  - doi: 10.5/x\r\n"
                           "UR  - http://a; http://b\r\n"
                           "LA  - en\r\nID  - key1\r\n"
                           "TY  - Book Section\n"  // no ER before it
                           "SP  - 5-9\nEP  - 20\nPY  - in press\nER  -\n"
                           "ER  - \nTY  - XYZZY\nTI  - t\n");
    ASSERT_EQ(r.size(), 3u);
    const auto& a = r[0].values;
    EXPECT_EQ(a[kType], "Journal Article");
    EXPECT_EQ(a[kAuthor], "Smith, J.\nJones, K.\nBrown, L.");
    EXPECT_EQ(a[kYear], "2001");
    EXPECT_EQ(a[kTitle], "wrapped title");
    EXPECT_EQ(a[kSecondaryTitle], "Journal");
    EXPECT_EQ(a[kPages], "12-34");
    EXPECT_EQ(a[kKeywords], "a\nb\nc\nd");
    EXPECT_EQ(a[kNotes], "first\nsecond");
    EXPECT_EQ(a[kTypeOfWork], "");
    EXPECT_EQ(r[0].doi, "10.5/x");
    EXPECT_EQ(a[kUrl], "http://a\nhttp://b");
    EXPECT_EQ(a[kLabel], "key1");
    EXPECT_EQ(r[0].dropped, 1);
    EXPECT_EQ(r[1].values[kType], "Book Section");
    EXPECT_EQ(r[1].values[kPages], "5-9");
    EXPECT_EQ(r[1].values[kYear], "in press");
    EXPECT_EQ(r[2].values[kType], "Generic");  // unknown type; last record without ER
    EXPECT_EQ(r[2].values[kTitle], "t");
    EXPECT_TRUE(problem.empty());

    EXPECT_TRUE(records("b.ris", "no record here\r\nAU  - x\r\n").empty());
    EXPECT_EQ(problem, path("b.ris") + ": no RIS record (no line \"TY  - \") in the file");
}

TEST(LatexToText, EverySpellingOfAnAccentAndTheSpecials) {
    struct Case {
        std::string_view latex, text;
    } cases[] = {
        {"{\\\"o} \\\"{o} \\\"o", "o\xCC\x88 o\xCC\x88 o\xCC\x88"},
        {"\\'\\i \\'{\\i} \\v{z} \\c{c} \\c c",
         "i\xCC\x81 i\xCC\x81 z\xCC\x8C c\xCC\xA7 c\xCC\xA7"},
        {"{\\ss} {\\o} \\aa{} \\l ", "\xC3\x9F \xC3\xB8 \xC3\xA5 \xC5\x82"},
        {"\\& \\% \\$ \\# \\_ \\{ \\}", "& % $ # _ { }"},
        {"a~b 1--2 x---y {DNA} $E=mc^2$",
         "a b 1\xE2\x80\x93"
         "2 x\xE2\x80\x94y DNA E=mc^2"},
        {"\\url{http://x.org/a_b} \\emph{em} \\textit{it}", "http://x.org/a_b em it"},
        {"\\unknown{arg} \\foo bar", "arg foo bar"},
        {"two\n   lines", "two lines"},
    };
    for (const Case& c : cases) EXPECT_EQ(latexToText(c.latex), c.text) << c.latex;
    // After transcoding, the accents join their letters.
    EXPECT_EQ(utf8ToWindows1252(latexToText("M{\\\"u}ller \\c{C}etin")).text,
              "M\xFCller \xC7"
              "etin");
}

// Blanks, '~', braces and '$' anywhere, at every distance from the ends: one blank between
// words, none at the ends, braces and '$' gone.
TEST(LatexToText, BlanksCollapseWhereverTheyStand) {
    std::mt19937 random(3);
    static constexpr std::string_view kBytes = "abcdefgh \t\n\r~{}$";
    for (int round = 0; round < 3000; ++round) {
        std::string latex;
        for (std::size_t n = random() % 30; n > 0; --n) {
            const std::size_t pick = random() % (kBytes.size() + 6);
            latex += pick < kBytes.size() ? kBytes[pick] : pick % 2 ? 'x' : ' ';
        }
        std::string want;
        bool blank = false;
        for (const char c : latex) {
            if (c == '{' || c == '}' || c == '$') continue;
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '~') {
                blank = !want.empty();
                continue;
            }
            if (blank) want += ' ';
            blank = false;
            want += c;
        }
        EXPECT_EQ(latexToText(latex), want) << '"' << latex << '"';
    }
}

TEST(BibTeXNames, EveryFormBecomesVonLastFirst) {
    struct Case {
        std::string_view name, want;
    } cases[] = {
        {"Donald E. Knuth", "Knuth, Donald E."},
        {"Ludwig van Beethoven", "van Beethoven, Ludwig"},
        {"van Beethoven, Ludwig", "van Beethoven, Ludwig"},
        {"Ford, Jr., Henry", "Ford, Jr., Henry"},
        {"{World Health Organization}", "World Health Organization"},
        {"{{Barnes and Noble}}", "Barnes and Noble"},
        {"Aks{\\i}n, {\\\"O}zge", "Aks\xC4\xB1n, O\xCC\x88zge"},
        {"Plato", "Plato"},
        {"others", "et al."},
    };
    for (const Case& c : cases) EXPECT_EQ(bibTeXNameToCatalogue(c.name), c.want) << c.name;
    EXPECT_EQ(bibTeXNameList("A. One and {B and C} AND D. Three\n  and others"),
              (std::vector<std::string>{"One, A.", "B and C", "Three, D.", "et al."}));
}

TEST_F(ReferenceFormatsTest, BibTeXEntriesMacrosAndCrossref) {
    const auto r =
        records("a.bib",
                "Text outside entries is a comment.\n"
                "@String{jnl = \"J. Test\"}\n@preamble{\"\\newcommand{x}\"}\n"
                "@comment{ @article{ignored, title={no}} }\n"
                "@InCollection(child,\n  Author = {Ann Author},\n"
                "  title = {Main}, subtitle = {Sub},\n  crossref = {Parent},\n"
                "  pages = {12--34}, month = jul, day = 4,\n"
                "  keywords = {x, y; z}, doi = {10.9/q}, langid = {english})\n"
                "@article{art, author = {B. Bee}, journal = jnl # \" Suppl.\",\n"
                "  year = 1999, publisher = undefinedmacro, series = {S},\n"
                "  howpublished = {\\url{http://h.org}}, title = {Done?}, subtitle={Yes}}\n"
                "@book{parent, editor = {Ed Itor and Other Editor}, title = {Book},\n"
                "  booktitle = {Book}, location = {Here and There}, date = {2011-12-05/2012}}\n");
    ASSERT_EQ(r.size(), 3u);
    const auto& c = r[0].values;
    EXPECT_EQ(c[kType], "Book Section");
    EXPECT_EQ(c[kAuthor], "Author, Ann");
    EXPECT_EQ(c[kTitle], "Main: Sub");
    EXPECT_EQ(c[kSecondaryTitle], "Book");
    EXPECT_EQ(c[kSecondaryAuthor], "Itor, Ed\nEditor, Other");
    EXPECT_EQ(c[kPlace], "Here; There");
    EXPECT_EQ(c[kYear], "2011");
    EXPECT_EQ(c[kPages], "12-34");
    EXPECT_EQ(c[kDate], "July 4");
    EXPECT_EQ(c[kKeywords], "x\ny\nz");
    EXPECT_EQ(c[kLabel], "child");
    EXPECT_EQ(r[0].doi, "10.9/q");
    EXPECT_EQ(r[0].dropped, 1);  // langid
    const auto& a = r[1].values;
    EXPECT_EQ(a[kSecondaryTitle], "J. Test Suppl.");
    EXPECT_EQ(a[kTertiaryTitle], "S");
    EXPECT_EQ(a[kPublisher], "undefinedmacro");
    EXPECT_EQ(a[kTitle], "Done? Yes");
    EXPECT_EQ(a[kUrl], "http://h.org");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0],
              path("a.bib") + ", line 12: undefined macro undefinedmacro kept as its name");
    EXPECT_EQ(r[2].values[kType], "Edited Book");
    EXPECT_EQ(r[2].values[kSecondaryAuthor], "Itor, Ed\nEditor, Other");
    EXPECT_EQ(r[2].values[kDate], "December 5");
}

TEST_F(ReferenceFormatsTest, BibTeXSyntaxErrorKeepsEarlierEntriesAndNamesTheLine) {
    const auto r = records("e.bib", "@article{a, title={One}}\n\n@article{b,\n  title {Two}}\n");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].values[kTitle], "One");
    EXPECT_EQ(problem, path("e.bib") + ", line 4: expected '=' after the field name title");
    records("f.bib", "@article{a, title={One}\n");
    EXPECT_EQ(problem, path("f.bib") + ", line 2: expected '}' closing the entry a");
}

TEST_F(ReferenceFormatsTest, BibTeXCrossrefAndMacrosAsTheyStandInTheFile) {
    const auto r =
        records("x.bib",
                "@string{pub = \"Big\"}\n"
                "@incollection{kid, crossref = {nowhere}, crossref = { PARENT }, title = {Kid}}\n"
                "@book{parent, title = {First}, publisher = pub # { House}}\n"
                "@book{Parent, title = {Second}, publisher = {Other}}\n"  // the first of a key wins
                "@string{pub = {Small}}\n@article{later, publisher = pub}\n"
                "@incollection{orphan, crossref = {after}, title = {Orphan}}\n"
                "@book{broken, title {x}}\n@book{after, title = {Past the error}}\n");
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0].values[kSecondaryTitle], "First");
    EXPECT_EQ(r[0].values[kPublisher], "Big House");
    EXPECT_EQ(r[2].values[kPublisher], "Other");
    EXPECT_EQ(r[3].values[kPublisher], "Small");
    EXPECT_EQ(r[4].values[kSecondaryTitle], "");  // its parent stands after the error
    EXPECT_EQ(r[4].line, 7);
    EXPECT_EQ(problem, path("x.bib") + ", line 8: expected '=' after the field name title");
}

// The reader holds a window of the text: items that straddle its end, or outgrow it, read as
// they do where the window holds them whole. Small blocks put its end all through the text.
TEST_F(ReferenceFormatsTest, BibTeXReadsAlikeWhereverItsWindowEnds) {
    const std::string body =
        "@string{m = {Mac} # \" Ro\"}\n@string{m = m # {!}      }\n"  // redefined from itself
        "@incollection{kid, crossref = {Parent}, title = {Kid}, journal = m, note = nomacro}\n"
        "@comment{ @book{fake, title = {x}} }\n@book{parent, title = {Par},\n publisher = m,"
        " abstract = {" +
        std::string(300, 'a') +
        " {b}}}\n"
        "@article{back, crossref = {KID}, year = 1999}\n";
    const auto want = records("w.bib", body);
    ASSERT_EQ(want.size(), 3u);
    EXPECT_EQ(want[0].values[kSecondaryTitle], "Par");
    EXPECT_EQ(want[0].values[kPublisher], "Mac Ro!");
    EXPECT_EQ(want[2].values[kSecondaryTitle], "Mac Ro!");  // the journal of its parent, kid
    EXPECT_EQ(want[2].line, 7);
    const std::vector<std::string> wantNotes = notes;
    ASSERT_EQ(wantNotes.size(), 1u);
    EXPECT_EQ(problem, "");
    for (std::size_t block = 1; block < 64; ++block) {
        const auto got = records("w.bib", body, block);
        ASSERT_EQ(got.size(), want.size()) << block;
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got[i].values, want[i].values) << block;
            EXPECT_EQ(got[i].line, want[i].line) << block;
        }
        EXPECT_EQ(notes, wantNotes) << block;
        EXPECT_EQ(problem, "") << block;  // no trace of a parse cut short by the window
    }
}

TEST_F(ReferenceFormatsTest, BibTeXNotesComeWithTheirRecordAndTheErrorLast) {
    loadFactoryDefaults();
    for (FieldSlot& slot : settings.strategy.slots) slot.maxLength = 4;
    writeFile(path("n.bib"),
              "@article{a, title = {long title}}\n@article{b, journal = nomacro}\n"
              "@misc{c, note = {x}, title {bad}}\n");
    EXPECT_EQ(exportReferenceFile(settings.strategy, ctx.host, output, path("n.bib"), path("n.csv"))
                  .records,
              2);
    const std::string bad = path("n.bib") + ", line 3: expected '=' after the field name title";
    EXPECT_EQ(host.log,
              (std::vector<std::string>{
                  "Reading BibTeX file " + path("n.bib"), "Truncated field(s) in Record 1",
                  path("n.bib") + ", line 2: undefined macro nomacro kept as its name",
                  "Truncated field(s) in Record 2",
                  "Records whose key is not kept (the field Label is not selected): 2", bad}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, bad);
}

TEST_F(ReferenceFormatsTest, CslJsonNamesDatesAndNumbers) {
    const auto c = one("a.json",
                       "[{\"id\": \"k1\", \"type\": \"chapter\", \"title\": \"T\",\n"
                       "\"author\": [{\"family\": \"Beethoven\", \"given\": \"Ludwig\", "
                       "\"non-dropping-particle\": \"van\", \"suffix\": \"Jr.\"}, "
                       "{\"literal\": \"WHO\"}],\n"
                       "\"issued\": {\"date-parts\": [[\"2020\", 7]]}, \"volume\": 12,\n"
                       "\"number-of-pages\": 300.0, \"collection-title\": \"Series\",\n"
                       "\"container-title\": \"Book\", \"ISBN\": \"1\", \"ISSN\": \"2\",\n"
                       "\"DOI\": \"https://doi.org/10.1/x\", \"URL\": \"http://u\", "
                       "\"language\": \"en\"}]");
    EXPECT_EQ(c.values[kType], "Book Section");
    EXPECT_EQ(c.values[kAuthor], "van Beethoven, Jr., Ludwig\nWHO");
    EXPECT_EQ(c.values[kYear], "2020");
    EXPECT_EQ(c.values[kDate], "July");
    EXPECT_EQ(c.values[kVolume], "12");
    EXPECT_EQ(c.values[kPages], "300");
    EXPECT_EQ(c.values[kTertiaryTitle], "Series");
    EXPECT_EQ(c.values[kSecondaryTitle], "Book");
    EXPECT_EQ(c.values[kIsbn], "1; 2");
    EXPECT_EQ(c.values[kLabel], "k1");
    EXPECT_EQ(c.doi, "10.1/x");
    EXPECT_EQ(c.dropped, 1);
    EXPECT_EQ(
        one("raw.json", "{\"issued\": {\"raw\": \"1999-05-02\"}, \"title\": \"t\"}").values[kDate],
        "May 2");

    EXPECT_EQ(
        records("bad.json", "[{\"title\": \"a\"},\n{\"title\": \"b\"} {\"title\": \"c\"}]").size(),
        2u);
    EXPECT_EQ(problem, path("bad.json") + ", line 2: expected ',' or ']' after a reference");
}

TEST(CatalogueRecordText, DoiGoesToUrlOrNotesAndValuesAreEscaped) {
    ReferenceRecord r;
    r.values[kType] = "Book";
    r.values[kTitle] = "Say \"hi\"\tnow";
    r.values[kAuthor] = "A\nB";
    r.values[kYear] =
        "\xC5\x82\xC3\xB3"
        "d\xE2\x98\x83";  // ł ó d snowman
    r.doi = "10.1/x";
    std::string text;
    EXPECT_EQ(catalogueRecordText(r, text), 2u);
    std::string empties;
    for (int n = 5; n < kUrl; ++n) empties += "\t ";
    EXPECT_EQ(text,
              "Book\tA\x85"
              "B\tl\xF3"
              "d?\tSay \"\"hi\"\" now" +
                  empties + "\thttps://doi.org/10.1/x\t \t \t \t ");
    r.values[kUrl] = "http://elsewhere";
    catalogueRecordText(r, text);
    EXPECT_EQ(r.values[kNotes], "DOI: 10.1/x");

    // The same characters again and again: each time the same bytes and the same count. č
    // folds, é composes, q with an acute has no letter (the accent goes), a lone accent goes.
    ReferenceRecord again;
    again.values[kTitle] =
        "\xC4\x8D\xC4\x8D"
        "e\xCC\x81q\xCC\x81 \xCC\x81";
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(catalogueRecordText(again, text), 4u);
        EXPECT_EQ(text.substr(0, 12), " \t \t \tcc\xE9q \t");
    }
}

// Every corpus file converts with the factory defaults into its golden CSV; the log names the
// records with replaced characters.
TEST_F(ReferenceFormatsTest, CorpusFilesMatchTheirGoldenCsvs) {
    loadFactoryDefaults();
    const std::filesystem::path data = dataFile("reference-formats", "");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".ris" && ext != ".bib") continue;
        ++files;
        const std::string golden = entry.path().string() + ".csv";
        host.log.clear();
        const ExportResult result = exportReferenceFile(settings.strategy, ctx.host, output,
                                                        entry.path().string(), path("out.csv"));
        EXPECT_GT(result.records, 0) << entry.path();
        if (std::getenv("RQ_UPDATE_GOLDENS") != nullptr) copyReplacing(path("out.csv"), golden);
        EXPECT_EQ(readFile(path("out.csv")), readFile(golden)) << entry.path();
        EXPECT_TRUE(host.messages.empty()) << entry.path();
    }
    EXPECT_EQ(files, 13);
}

TEST_F(ReferenceFormatsTest, ExportLogsReplacedSkippedAndRefusesOtherFiles) {
    loadFactoryDefaults();
    for (FieldSlot& slot : settings.strategy.slots) slot.maxLength = 4;
    writeFile(path("r.ris"),
              "TY  - JOUR\nTI  - \xC4\x8D\x61\nER  - \nTY  - JOUR\nER  - \n"
              "TY  - JOUR\nTI  - long title\nLA  - en\nER  - \n");
    EXPECT_EQ(
        exportReferenceFile(settings.strategy, ctx.host, output, path("r.ris"), path("r.csv")),
        (ExportResult{2, 2, {}}));
    EXPECT_EQ(host.log, (std::vector<std::string>{
                            "Reading RIS file " + path("r.ris"), "Truncated field(s) in Record 1",
                            "Replaced character(s) in Record 1", "Truncated field(s) in Record 2",
                            "Record 2: 1 value(s) without a field left out",
                            "Records without any usable field skipped: 1"}));
    EXPECT_NE(readFile(path("r.csv")).find("\"ca\""), std::string::npos);

    // Keys come back only through Label: its absence from the selection is told, once a file.
    writeFile(path("k.ris"),
              "TY  - JOUR\nID  - k1\nTI  - A\nER  - \nTY  - JOUR\nTI  - B\nER  - \n"
              "TY  - JOUR\nLB  - k3\nTI  - C\nER  - \n");
    for (const bool label : {false, true}) {
        settings.strategy.slots[kLabel].selected = label;
        host.log.clear();
        EXPECT_EQ(
            exportReferenceFile(settings.strategy, ctx.host, output, path("k.ris"), path("k.csv"))
                .records,
            3);
        EXPECT_EQ(host.log.back() ==
                      "Records whose key is not kept (the field Label is not "
                      "selected): 2",
                  !label);
    }

    writeFile(path("x.pdb"), std::string_view("JFile\0\0\0\x01\x02", 10));
    EXPECT_EQ(
        exportReferenceFile(settings.strategy, ctx.host, output, path("x.pdb"), path("x.csv")),
        ExportResult{});
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              path("x.pdb") +
                  ": not a reference file (neither an EndNote export nor RIS, BibTeX or CSL-JSON)");
}

}  // namespace
}  // namespace rq::test

namespace rq::test {
namespace {

using namespace fields;

class ReferenceWritersTest : public ReferenceFormatsTest {
  protected:
    // The converter's CSV of `rows` (field number and value, line breaks as 0x85) under the
    // catalogue's names, written out in `format`; the output's bytes.
    std::string write(ReferenceFormat format,
                      const std::vector<std::vector<std::pair<int, std::string>>>& rows) {
        std::string csv = "\"Title\",\"Unknown column\"";
        for (int n = 1; n <= kFieldCount; ++n)
            if (n != kTitle) csv += ",\"" + std::string(jfileName(n)) + "\"";
        csv += "\r\n";
        for (const auto& row : rows) {
            std::array<std::string, kFieldCount + 1> v;
            for (const auto& [n, text] : row) {
                for (const char c : text)
                    v[n] += c == '"' ? std::string("\"\"") : std::string(1, c);
            }
            csv += "\"" + v[kTitle] + "\",\"x\"";
            for (int n = 1; n <= kFieldCount; ++n)
                if (n != kTitle) csv += ",\"" + v[n] + "\"";
            csv += "\r\n";
        }
        writeFile(path("db.out"), csv);
        const std::string out = path(std::string("out") + std::string(referenceExtension(format)));
        result = writeReferenceFile(ctx.host, output, path("db.out"), out, format);
        return readFile(out);
    }
    ImportResult result;
};

const std::vector<std::vector<std::pair<int, std::string>>> kRows = {
    {{kType, "Journal Article"},
     {kAuthor, "Smith, J.\x85van Beethoven, Jr., L.\x85World Health Organization"},
     {kYear, "2001"},
     {kTitle, "DNA of McCarthy & 50% \"more\""},
     {kSecondaryTitle, "J. *Test*"},
     {kPages, "12-34"},
     {kKeywords, "one\x85two"},
     {kAbstract, "line one\x85line two"},
     {kDate, "July 4"},
     {kLabel, "smith:2001"},
     {kIsbn, "1234-5678"},
     {kUrl, "https://doi.org/10.1/x"},
     {kAccessionNumber, "A1"}},
    {{kType, "Thesis"},
     {kAuthor, "M\xFCller, \xC9mile"},
     {kTitle, "Caf\xE9"},
     {kYear, "1999"},
     {kTypeOfWork, "Master's thesis"},
     {kPublisher, "Uni"},
     {kLabel, "not a key!"}},
    {{kType, "Book"}, {kTitle, "Again"}, {kAuthor, "M\xFCller, X."}, {kYear, "1999"}},
};

TEST_F(ReferenceWritersTest, RisIsWrittenWholeAsTheDesignSays) {
    EXPECT_EQ(write(ReferenceFormat::Ris, {kRows[0]}),
              "\xEF\xBB\xBFTY  - JOUR\r\nAU  - Smith, J.\r\nAU  - van Beethoven, Jr., L.\r\n"
              "AU  - World Health Organization\r\nPY  - 2001\r\n"
              "TI  - DNA of McCarthy & 50% \"more\"\r\nT2  - J. Test\r\nSP  - 12\r\nEP  - 34\r\n"
              "KW  - one\r\nKW  - two\r\nAB  - line one line two\r\nDA  - 2001/07/04/\r\n"
              "SN  - 1234-5678\r\nAN  - A1\r\nID  - smith:2001\r\nLB  - smith:2001\r\n"
              "UR  - https://doi.org/10.1/x\r\nER  - \r\n\r\n");
    EXPECT_EQ(result, (ImportResult{1, false}));
}

TEST_F(ReferenceWritersTest, BibTeXKeysAreUniqueAndSpecialsEscaped) {
    EXPECT_EQ(write(ReferenceFormat::BibTeX, kRows),
              "@article{smith:2001,\n"
              "  author = {Smith, J. and van Beethoven, Jr., L. and {World Health Organization}},\n"
              "  title = {{DNA} of {McCarthy} \\& 50\\% \"more\"},\n"
              "  journal = {J. *Test*},\n  year = {2001},\n  month = jul,\n  day = {4},\n"
              "  pages = {12--34},\n  issn = {1234-5678},\n  keywords = {one, two},\n"
              "  abstract = {line one line two},\n  doi = {10.1/x},\n}\n\n"
              "@mastersthesis{Muller1999,\n  author = {M\xC3\xBCller, \xC3\x89mile},\n"
              "  title = {Caf\xC3\xA9},\n  year = {1999},\n  school = {Uni},\n"
              "  type = {Master's thesis},\n}\n\n"
              "@book{Muller1999a,\n  author = {M\xC3\xBCller, X.},\n  title = {Again},\n"
              "  year = {1999},\n}\n\n");
}

// Every special at every place of an eight-byte word, next to bytes that look alike.
TEST_F(ReferenceWritersTest, BibTeXEscapesEachSpecialWhereverItStands) {
    std::string note;
    std::string want;
    for (const std::string_view special : {"#", "$", "%", "&", "_", "{", "}", "~", "^", "\\"}) {
        for (int at = 0; at < 9; ++at) {
            note += std::string(static_cast<std::size_t>(at), 'a') + "\"'[]|@`" + special.data();
            want += std::string(static_cast<std::size_t>(at), 'a') + "\"'[]|@`";
            want += special == "~"    ? "\\textasciitilde{}"
                    : special == "^"  ? "\\textasciicircum{}"
                    : special == "\\" ? "\\textbackslash{}"
                                      : "\\" + std::string(special);
        }
    }
    const std::string written = write(ReferenceFormat::BibTeX, {{{kTitle, "T"}, {kNotes, note}}});
    EXPECT_NE(written.find("  note = {" + want + "},\n"), std::string::npos) << written;
}

TEST_F(ReferenceWritersTest, CslJsonMembersInKeyOrderAndStringsEscaped) {
    auto rows = kRows;
    rows[1].emplace_back(kNotes,
                         "a\tb\x01"
                         "c\\d \x93q\x94");
    rows[2][3].second = "n.d.";
    EXPECT_EQ(
        write(ReferenceFormat::CslJson, rows),
        "[\n  {\"DOI\":\"10.1/x\",\"ISSN\":\"1234-5678\",\"abstract\":\"line one line two\","
        "\"author\":[{\"family\":\"Smith\",\"given\":\"J.\"},{\"family\":\"van "
        "Beethoven\",\"given\":\"L.\",\"suffix\":\"Jr.\"},{\"literal\":\"World Health "
        "Organization\"}],\"container-title\":\"J. *Test*\",\"id\":\"smith:2001\","
        "\"issued\":{\"date-parts\":[[2001,7,4]]},\"keyword\":\"one, two\",\"page\":\"12-34\","
        "\"title\":\"DNA of McCarthy & 50% \\\"more\\\"\",\"type\":\"article-journal\"},\n"
        "  {\"author\":[{\"family\":\"M\xC3\xBCller\",\"given\":\"\xC3\x89mile\"}],"
        "\"genre\":\"Master's thesis\",\"id\":\"not a key!\",\"issued\":{\"date-parts\":"
        "[[1999]]},\"note\":\"a\\tb\\u0001c\\\\d \xE2\x80\x9Cq\xE2\x80\x9D\","
        "\"publisher\":\"Uni\",\"title\":\"Caf\xC3\xA9\",\"type\":\"thesis\"},\n"
        "  {\"author\":[{\"family\":\"M\xC3\xBCller\",\"given\":\"X.\"}],\"issued\":"
        "{\"literal\":\"n.d.\"},\"title\":\"Again\",\"type\":\"book\"}\n]\n");
}

TEST_F(ReferenceWritersTest, EveryFormatReadsBackWithTheSameFields) {
    for (const ReferenceFormat format :
         {ReferenceFormat::Ris, ReferenceFormat::BibTeX, ReferenceFormat::CslJson}) {
        const std::string written = write(format, kRows);
        const auto back =
            records(std::string("back") + std::string(referenceExtension(format)), written);
        ASSERT_EQ(back.size(), 3u) << written;
        const auto& a = back[0].values;
        EXPECT_EQ(a[kType], "Journal Article");
        EXPECT_EQ(a[kAuthor], "Smith, J.\nvan Beethoven, Jr., L.\nWorld Health Organization");
        EXPECT_EQ(a[kYear], "2001");
        EXPECT_EQ(a[kTitle], "DNA of McCarthy & 50% \"more\"");
        EXPECT_EQ(a[kPages], "12-34");
        EXPECT_EQ(a[kKeywords], "one\ntwo");
        EXPECT_EQ(a[kDate], format == ReferenceFormat::Ris ? "2001/07/04/" : "July 4");
        EXPECT_EQ(a[kLabel], "smith:2001");
        EXPECT_EQ(back[1].values[kType], "Thesis");
        EXPECT_EQ(back[1].values[kAuthor], "M\xC3\xBCller, \xC3\x89mile");
        EXPECT_EQ(back[1].values[kPublisher], "Uni");
        EXPECT_EQ(back[1].values[kTypeOfWork], "Master's thesis");
        EXPECT_EQ(back[2].values[kTitle], "Again");
    }
}

// BibTeX to JFile's CSV and back keeps every key of a real file.
TEST_F(ReferenceWritersTest, BibTeXKeysSurviveTheRoundTrip) {
    loadFactoryDefaults();
    for (FieldSlot& slot : settings.strategy.slots) {
        slot.selected = true;
        slot.maxLength = 30000;
    }
    const std::string source = dataFile("reference-formats", "biblatex-examples.bib");
    const auto before = records("before.bib", readFile(source));
    ASSERT_EQ(
        exportReferenceFile(settings.strategy, ctx.host, output, source, path("db.out")).records,
        static_cast<int>(before.size()));
    const std::string out = path("again.bib");
    ASSERT_FALSE(
        writeReferenceFile(ctx.host, output, path("db.out"), out, ReferenceFormat::BibTeX).failed);
    const auto after = records("after.bib", readFile(out));
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].values[kLabel], before[i].values[kLabel]);
        // Accents come back composed, as the CSV's code page holds them.
        EXPECT_EQ(utf8ToWindows1252(after[i].values[kTitle]).text,
                  utf8ToWindows1252(before[i].values[kTitle]).text)
            << before[i].values[kLabel];
    }
}

TEST_F(ReferenceWritersTest, AnUnreadableCsvLeavesNoFileAndSaysSo) {
    const std::string out = path("none.ris");
    EXPECT_EQ(writeReferenceFile(ctx.host, output, path("missing.out"), out, ReferenceFormat::Ris),
              (ImportResult{0, true}));
    EXPECT_FALSE(std::filesystem::exists(out));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Couldnt load csv File\n" + path("missing.out") + ": it cannot be opened");
}

}  // namespace
}  // namespace rq::test
