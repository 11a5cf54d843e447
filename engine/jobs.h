#pragma once
// The two conversion jobs behind the main window's buttons, written against the conversion
// context's services only.
//
// EndNote to JFile: for each chosen export, the conversion-info file and the CSV in the work
// folder, then the converter builds "RQ-" + base + ".PDB" in the Palm install folder; at the end
// the HotSync user's install flag is set. JFile to EndNote: for each chosen database, the
// converter writes name + ".out" in the work folder and the CSV reader writes name + ".tsv" in
// the EndNote folder.

#include <string>
#include <string_view>

#include "engine/context.h"

namespace rq {

// The HotSync Manager's key, under the current user's root of the registry.
inline constexpr std::string_view kHotSyncKey =
    "\\Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager";
// The JFile database name holds at most this many characters.
inline constexpr std::size_t kPalmNameLength = 19;

void convertEndNoteToJFile(ConversionContext& ctx);
// Converts the export named by ctx.job.sourceFile; every outcome is told to the user.
void convertExportFile(ConversionContext& ctx);
// Folder part + "RQ-" + name without extension + extension.
std::string prefixPdbName(std::string_view path);
// Sets ctx.job.palmName: "RQ-" + base of sourceFile, cut to 19 characters, in double quotes.
void makePalmDatabaseName(ConversionContext& ctx);
void setHotSyncInstallFlag(ConversionContext& ctx);

void convertJFileToEndNote(ConversionContext& ctx);
// Converts the database named by ctx.job.pdbFile.
void convertDatabaseFile(ConversionContext& ctx);

}  // namespace rq
