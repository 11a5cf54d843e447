// SPDX-License-Identifier: MIT
#pragma once
// Reference files of other managers (RIS, BibTeX/BibLaTeX, CSL-JSON) as a source of catalogue
// records. A reader fills a ReferenceRecord in UTF-8; the record then takes the EndNote export's
// way: transcoded to Windows-1252, escaped as the export reader escapes, and written by
// writeCsvRecord with the same counting and logging. EndNote exports keep their own reader.

#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/files.h"
#include "engine/catalogue.h"
#include "engine/context.h"
#include "engine/csv_import.h"
#include "engine/export_csv.h"

namespace rq {

enum class ReferenceFormat { EndNoteExport, Ris, BibTeX, CslJson };

// The format of a file from its first bytes (decoded to UTF-8): a JSON array or object, RIS tag
// lines, BibTeX '@' entries, else an EndNote export. The extension (".ris", ".bib", ".json",
// ".txt") decides between formats the content allows both. nullopt for a file that is none of
// them (binary data).
std::optional<ReferenceFormat> detectReferenceFormat(std::string_view head,
                                                     std::string_view extension);

enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

// The bytes of a reference file as UTF-8, whatever the file's encoding: a byte-order mark
// decides, then a "% Encoding: NAME" line near the start, then UTF-8 validity of the whole file,
// else Windows-1252. Reads block by block; the memory does not grow with the file. Without a
// mark or a line, the file's validity is checked when the text is first asked for: by a pass of
// its own before read(), or on the text itself as readChecking() gives it.
class TextInput {
  public:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 18;

    // False when the file cannot be opened.
    bool open(const std::string& path);
    // Back to the start of the text, as after open(), without deciding the encoding again.
    bool rewind();
    // Appends the next block of text to `out`. False when nothing was left (or reading failed).
    bool read(std::string& out);
    // As read(), but an undecided encoding is taken for UTF-8 while each block is checked as it
    // comes. The first byte that is not UTF-8 decides Windows-1252: readChecking() then returns
    // false and changedEncoding() is true until rewind(), since the text given was not the
    // file's. A file read to its end is decided.
    bool readChecking(std::string& out);
    bool changedEncoding() const { return changed_; }
    bool failed() const { return failed_; }
    TextEncoding encoding() {
        decide();
        return encoding_;
    }
    // Whether the encoding is known without reading the whole file.
    bool decided() const { return decided_; }
    // Up to `size` bytes of the file as they are, from the start of the text; then rewinds.
    std::string rawHead(std::size_t size);
    // Sets the encoding of an undecided input that its first bytes alone decide.
    void decideAs(TextEncoding encoding) {
        encoding_ = encoding;
        decided_ = true;
    }
    // Reads in blocks of `size` bytes from now on: tests put block ends all through a short text.
    void setBlockSize(std::size_t size) { blockSize_ = size; }
    // The file's size in bytes, for reserving room; 0 when unknown.
    std::size_t sizeHint() const { return size_; }
    const std::string& path() const { return path_; }

  private:
    bool readRaw();
    // Reads the next block of the file into `to`, which has room for it; how many bytes came.
    // A short block, the file's end or a read error, ends the input.
    std::size_t readBlock(char* to);
    // Reads the next block of the file onto the end of `to`; false when no byte came.
    bool appendBlock(std::string& to);
    // Checks the whole file for UTF-8 (a pass of its own) unless the encoding is known.
    void decide();

    UniqueFile file_;
    std::string path_;
    std::string raw_;  // undecoded bytes, a partial character at its end carried over
    TextEncoding encoding_ = TextEncoding::Utf8;
    std::size_t size_ = 0;
    std::size_t skip_ = 0;  // the byte-order mark
    char32_t highSurrogate_ = 0;
    bool ended_ = false;
    bool failed_ = false;
    bool decided_ = true;
    bool changed_ = false;
    std::size_t blockSize_ = kBlockSize;
    std::string carry_;  // a character cut by a block's end, checked with the next block
};

// The encoding that the first bytes name: a byte-order mark (its length into `skip`) or a
// "% Encoding: NAME" line. nullopt when they name none.
std::optional<TextEncoding> declaredEncoding(std::string_view head, std::size_t& skip);
// UTF-8 validity of one block; `carry` keeps an unfinished character for the next block.
// `last`: no block follows, so an unfinished character is invalid.
bool validUtf8Block(std::string_view block, std::string& carry, bool last);

// One reference on its way to the catalogue, in UTF-8. Several names, keywords or URLs stand in
// one value, one a line.
struct ReferenceRecord {
    std::array<std::string, kFieldCount + 1> values;
    std::string doi;  // goes to URL, or to Notes when URL is taken
    int dropped = 0;  // values of the source that have no field
    long line = 0;    // where the record starts in its file, for messages

    void clear();
    // Appends `value` as a further line of the field; an empty value is ignored.
    void addLine(int field, std::string_view value);
    // Sets the field unless it holds a value already (an empty value never overrides).
    void setIfEmpty(int field, std::string_view value);
    bool has(int field) const { return !values[field].empty(); }
};

// The catalogue fields by number, for readable tables.
namespace fields {
inline constexpr int kType = 1, kAuthor = 2, kYear = 3, kTitle = 4, kSecondaryTitle = 5,
                     kSecondaryAuthor = 6, kPlace = 7, kPublisher = 8, kVolume = 9, kNumber = 10,
                     kPages = 11, kCallNumber = 12, kKeywords = 13, kAbstract = 14, kNotes = 15,
                     kNumberOfVolumes = 16, kTertiaryAuthor = 17, kTertiaryTitle = 18,
                     kEdition = 19, kDate = 20, kTypeOfWork = 21, kSubsidiaryAuthor = 22,
                     kAlternateTitle = 23, kIsbn = 24, kAccessionNumber = 25, kLabel = 26,
                     kUrl = 27, kCustom1 = 28;
}

// A reader of one format. next() fills the record and returns true; false at the end of the
// file or after a fault that ends reading (problem() then says what, naming file and line).
class RecordSource {
  public:
    virtual ~RecordSource() = default;
    virtual bool next(ReferenceRecord& record) = 0;
    const std::string& problem() const { return problem_; }
    // Things worth a line in the run log (undefined macros, ...), taken as they come.
    std::vector<std::string> takeNotes() { return std::exchange(notes_, {}); }

  protected:
    std::string problem_;
    std::vector<std::string> notes_;
};

// The bare DOI in a value such as "10.1/x", "doi: 10.1/x" or "https://doi.org/10.1/x"; empty
// when it holds none.
std::string bareDoi(std::string_view value);

// The EndNote reference types with their RIS codes. The first row of a name gives its code for
// writing.
struct ReferenceTypeRow {
    std::string_view risCode;
    std::string_view endNoteName;
};
std::span<const ReferenceTypeRow> referenceTypes();
// The EndNote name of a RIS code or of an EndNote name in any case; "Generic" for anything else.
std::string_view endNoteTypeForRis(std::string_view codeOrName);
std::string_view risCodeForEndNoteType(std::string_view name);

// Trims blanks (space, tab, CR, LF) at both ends.
std::string_view trimBlanks(std::string_view text);

// The record text of the export reader's escaping: Windows-1252, values separated by tabs, a
// quote doubled, a line end as 0x85, an empty value as one space. Returns the characters
// replaced in the transcoding. DOI goes to URL or Notes first.
std::size_t catalogueRecordText(ReferenceRecord& record, std::string& text);

// Converts any reference file: EndNote exports by exportToCsv, the others through their reader.
// A file that is no reference file is refused with a message naming it.
ExportResult exportReferenceFile(Strategy& strategy, HostServices& host, OutputFile& out,
                                 const std::string& sourcePath, const std::string& csvPath);

// ---- Writing: the converter's CSV of a JFile database to a reference file ----

// One record as the converter's CSV gives it, mapped onto the catalogue: UTF-8, several names or
// keywords one a line.
using CatalogueRecord = std::array<std::string, kFieldCount + 1>;

class RecordSink {
  public:
    virtual ~RecordSink() = default;
    virtual void begin(OutputFile&) {}
    virtual void write(OutputFile& out, const CatalogueRecord& record) = 0;
    virtual void end(OutputFile&) {}
};

// The lines of a value (names, keywords, URLs), blank ones left out.
std::vector<std::string_view> valueLines(std::string_view value);
// A value on one line: its lines joined with a blank.
std::string oneLine(std::string_view value);
// The four digits of a year, the month 1-12 and the day of a Date value ("July 4", "2001/07/04",
// "Jul"); 0 where there is none.
struct CalendarDate {
    int month = 0;
    int day = 0;
};
CalendarDate parseCatalogueDate(std::string_view date);

// The file name extension each format is written with.
std::string_view referenceExtension(ReferenceFormat format);
// `path` with its extension replaced by the format's.
std::string referenceOutputPath(std::string_view path, ReferenceFormat format);
// The writer of `format`, or null for EndNote import files (csvToImport writes those).
std::unique_ptr<RecordSink> makeRecordSink(ReferenceFormat format);

// Converts the converter's CSV at `csvPath` into a reference file of `format` at `outPath`;
// EndNote import files through csvToImport, with its limits. Every failure is told to the user.
ImportResult writeReferenceFile(HostServices& host, OutputFile& out, const std::string& csvPath,
                                const std::string& outPath, ReferenceFormat format);

// "endnote", "ris", "bibtex", "csl-json" and back.
std::optional<ReferenceFormat> referenceFormatByName(std::string_view name);
std::string_view referenceFormatName(ReferenceFormat format);

// The choice "Write JFile databases as", kept in a file of its own beside Strat.jfp (whose format
// is fixed): one line "DatabaseFormat=NAME" with a name of referenceFormatByName.
inline constexpr std::string_view kFormatSettingsFileName = "Formats.ini";
// The choice in `dataFolder`; EndNote when the file is missing or names no format.
ReferenceFormat readDatabaseFormat(const std::string& dataFolder);
// Writes the choice; false with the reason in `problem` when the file cannot be written (an
// earlier file stays as it was).
bool writeDatabaseFormat(const std::string& dataFolder, ReferenceFormat format,
                         std::string& problem);

// The reader of `format` over `input` (not for EndNote exports).
std::unique_ptr<RecordSource> openRecordSource(ReferenceFormat format, TextInput& input);

}  // namespace rq
