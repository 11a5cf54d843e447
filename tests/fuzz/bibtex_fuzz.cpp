// SPDX-License-Identifier: MIT
// The BibTeX reader. It reads the file twice through a window of the text, parsing an item again
// when the window's end cuts it: the same bytes read in small blocks, which put the window's end
// all through them, must give the same records, notes and problem as in the usual blocks;
// records come in the file's order, and every message names the file.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/bibtex_format.h"
#include "engine/reference_record.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace rq;
using namespace rq::fuzz;

struct Reading {
    std::vector<ReferenceRecord> records;
    std::vector<std::string> notes;
    std::string problem;
};

Reading readRecords(const std::string& path, std::size_t blockSize) {
    Reading out;
    TextInput input;
    RQ_FUZZ_CHECK(input.open(path));
    input.setBlockSize(blockSize);
    const std::unique_ptr<RecordSource> source = openBibTeXSource(input);
    ReferenceRecord record;
    while (source->next(record)) {
        out.records.push_back(record);
        for (std::string& note : source->takeNotes()) out.notes.push_back(std::move(note));
    }
    for (std::string& note : source->takeNotes()) out.notes.push_back(std::move(note));
    out.problem = source->problem();
    return out;
}

bool sameRecord(const ReferenceRecord& a, const ReferenceRecord& b) {
    return a.values == b.values && a.doi == b.doi && a.dropped == b.dropped && a.line == b.line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = scratchPath("refs.bib");
    writeFile(path, asText(data, size));
    const Reading first = readRecords(path, TextInput::kBlockSize);
    const Reading again = readRecords(path, 1 + size % 61);
    RQ_FUZZ_CHECK(first.records.size() == again.records.size());
    for (std::size_t i = 0; i < first.records.size(); ++i)
        RQ_FUZZ_CHECK(sameRecord(first.records[i], again.records[i]));
    RQ_FUZZ_CHECK(first.notes == again.notes);
    RQ_FUZZ_CHECK(first.problem == again.problem);

    long line = 1;
    for (const ReferenceRecord& r : first.records) {
        RQ_FUZZ_CHECK(r.line >= line);
        line = r.line;
    }
    for (const std::string& note : first.notes) RQ_FUZZ_CHECK(note.rfind(path, 0) == 0);
    RQ_FUZZ_CHECK(first.problem.empty() || first.problem.rfind(path, 0) == 0);
    return 0;
}
