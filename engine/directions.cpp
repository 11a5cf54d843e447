// SPDX-License-Identifier: MIT
#include "engine/directions.h"

#include <algorithm>

#include "base/path.h"
#include "engine/jobs.h"

namespace rq {

namespace {

constexpr DirectionInfo kDirections[] = {
    {Direction::EndNoteToJFile,
     "Endnote Export files(REVuz)|*.txt|RIS files|*.ris|BibTeX files|*.bib|CSL-JSON files|*.json|"
     "All reference files|*.txt;*.ris;*.bib;*.json",
     &Strategy::endNoteFolder, &Strategy::palmInstallFolder, "RQ-", ".PDB", ".csv", '1',
     ProgressPhase::CsvToJFile, "Output file not created", true, &convertEndNoteToJFile},
    {Direction::JFileToEndNote, "Refquill PDB  File (RQ-*.PDB)|RQ-*.PDB|All PDB files|*.pdb",
     &Strategy::palmBackupFolder, &Strategy::endNoteFolder, "", ".tsv", ".out", '2',
     ProgressPhase::JFileToCsv, "CSV Output file not created", false, &convertJFileToEndNote},
};

}  // namespace

std::span<const DirectionInfo> directions() {
    return kDirections;
}

const DirectionInfo& directionInfo(Direction direction) {
    return *std::find_if(std::begin(kDirections), std::end(kDirections),
                         [&](const DirectionInfo& info) { return info.direction == direction; });
}

std::string outputPath(const DirectionInfo& info, const Strategy& strategy,
                       std::string_view source) {
    std::string name(info.outputPrefix);
    name += baseName(source);
    name += info.outputExtension;
    return joinPath(strategy.*info.outputFolder, name);
}

int JobResult::count(FileOutcome outcome) const {
    return static_cast<int>(std::count_if(
        files.begin(), files.end(), [&](const FileResult& f) { return f.outcome == outcome; }));
}

int JobResult::records() const {
    int total = 0;
    for (const FileResult& f : files)
        if (f.outcome == FileOutcome::Converted) total += f.records;
    return total;
}

}  // namespace rq
