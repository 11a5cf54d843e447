// SPDX-License-Identifier: MIT
#pragma once
// What a conversion job did with each file it was given, so that callers (the command-line
// tool's exit status and summary, the tests) never infer it from the texts the user saw.

#include <optional>
#include <string>
#include <vector>

namespace rq {

// The user's file choice before a job: full paths in the order of the dialog, or nothing when
// the choice was cancelled.
using ChosenFiles = std::optional<std::vector<std::string>>;

enum class FileOutcome {
    Converted,  // the output file is complete at `output`
    Failed,     // the user has been told why; no new output file
    Cancelled,  // the user stopped it; no new output file
};

struct FileResult {
    std::string source;  // the chosen file
    std::string output;  // where the output goes (the PDB or the import file)
    FileOutcome outcome = FileOutcome::Failed;
    int records = 0;           // records written to the output
    int truncatedRecords = 0;  // of those, records with a cut value
    bool operator==(const FileResult&) const = default;
};

struct JobResult {
    std::vector<FileResult> files;  // one per chosen file, in order; none after a cancelled choice

    int count(FileOutcome outcome) const;
    int converted() const { return count(FileOutcome::Converted); }
    int failed() const { return count(FileOutcome::Failed); }
    int cancelled() const { return count(FileOutcome::Cancelled); }
    bool allConverted() const { return converted() == static_cast<int>(files.size()); }
    int records() const;  // over the converted files
};

}  // namespace rq
