// SPDX-License-Identifier: MIT
#pragma once
// The conversion directions, one row each: what the user chooses from, where the files go and
// which converter run they take. A new direction is a new row here and its job function.

#include <span>
#include <string>
#include <string_view>

#include "engine/host_services.h"
#include "engine/job_result.h"
#include "engine/strategy.h"

namespace rq {

class ConversionContext;
class OutputFile;
struct UserSettings;

enum class Direction { EndNoteToJFile, JFileToEndNote };

struct DirectionInfo {
    Direction direction;
    // The file-open dialog: description and pattern pairs separated by "|", the first pair
    // chosen when it opens; it starts in this folder of the strategy.
    std::string_view fileFilter;
    std::string Strategy::*startFolder;
    // The output of a file with the base name B: outputFolder, outputPrefix + B + outputExtension.
    std::string Strategy::*outputFolder;
    std::string_view outputPrefix;
    std::string_view outputExtension;
    // The comma-separated file between the two formats: the work folder, B + csvExtension.
    std::string_view csvExtension;
    // The converter's run: its direction code on the command line, the phase it shows and the
    // message when it leaves no output.
    char converterCode;
    ProgressPhase converterPhase;
    std::string_view missingOutputMessage;
    // The converter builds a Palm database from an export's CSV: its output is checked before it
    // goes to the handheld, and its report names the export's records.
    bool buildsDatabase;
    // The job: converts the chosen files one after the other, with the user's settings, its
    // writers taking turns in the output slot.
    JobResult (*run)(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                     const ChosenFiles& chosen);
};

std::span<const DirectionInfo> directions();
const DirectionInfo& directionInfo(Direction direction);

// The output path of `source` in this direction.
std::string outputPath(const DirectionInfo& info, const Strategy& strategy,
                       std::string_view source);

}  // namespace rq
