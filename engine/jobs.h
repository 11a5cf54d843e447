// SPDX-License-Identifier: MIT
#pragma once
// The two conversion jobs, written against the conversion context's services only. The host
// asks the user for the files first (with the direction's row of directions.h) and hands the
// choice to the job; each job returns what happened to each file.
//
// EndNote to JFile: for each chosen export, the conversion-info file and the CSV in the work
// folder, then the converter builds "RQ-" + base + ".PDB" in the Palm install folder; at the end
// the HotSync user's install flag is set. JFile to EndNote: for each chosen database, the
// converter writes name + ".out" in the work folder and the CSV reader writes name + ".tsv" in
// the EndNote folder.

#include <string>
#include <string_view>

#include "engine/context.h"
#include "engine/directions.h"
#include "engine/job_result.h"
#include "engine/output_file.h"
#include "engine/user_settings.h"

namespace rq {

// The HotSync Manager's key, under the current user's root of the registry.
inline constexpr std::string_view kHotSyncKey =
    "\\Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager";
// The JFile database name holds at most this many characters.
inline constexpr std::size_t kPalmNameLength = 19;

// What a job's button does before the file choice: the status panel is emptied and the host
// catches up with its events.
void prepareFileChoice(ConversionContext& ctx);
// prepareFileChoice, then the direction's job with the files that `choose` returns for the
// direction (nothing when the user cancels).
template <typename Choose>
JobResult runJob(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                 Direction direction, Choose&& choose) {
    prepareFileChoice(ctx);
    const DirectionInfo& info = directionInfo(direction);
    const ChosenFiles chosen = choose(info);
    return info.run(ctx, settings, output, chosen);
}

// The strategy is collected from the window before each file, and its popup letters assigned.
JobResult convertEndNoteToJFile(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                                const ChosenFiles& exports);
// What a database of `records` records is told about the way back's limit; empty within it.
std::string importLimitWarning(long records);
// Converts one export; every outcome is told to the user.
FileResult convertExportFile(ConversionContext& ctx, Strategy& strategy, OutputFile& output,
                             const std::string& source);
// Folder part + "RQ-" + name without extension + extension.
std::string prefixPdbName(std::string_view path);
// "RQ-" + base of `source` as the handheld stores it (Windows-1252, letters it lacks folded to
// their base letter), cut to 19 characters, as UTF-8 in double quotes.
std::string palmDatabaseName(std::string_view source);
// Sets "Install" + `hotSyncId` under the HotSync Manager's key.
void setHotSyncInstallFlag(ConversionContext& ctx, std::string_view hotSyncId);

JobResult convertJFileToEndNote(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                                const ChosenFiles& databases);
// Converts one database into the reference file of `format`; every outcome is told to the user.
FileResult convertDatabaseFile(ConversionContext& ctx, const Strategy& strategy,
                               ReferenceFormat format, OutputFile& output,
                               const std::string& database);

}  // namespace rq
