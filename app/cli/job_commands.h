// SPDX-License-Identifier: MIT
#pragma once
// The conversion jobs of the command-line tool: what the desktop program does around a button
// press (start-up, the job with the named files in place of the file dialog, shutdown), and the
// CSV-to-import conversion on its own.

#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/csv_import.h"
#include "engine/job_result.h"

namespace rq {

// ctx.programFolder (the data folder, a full path) and ctx.converterFolder must be set. The data
// folder gets "Strat.jfp", "Log.txt" and the working folders, as after a run of the desktop
// program. Both return what happened to each file.
JobResult runToJFile(ConversionContext& ctx, const std::vector<std::string>& exports);
JobResult runToEndNote(ConversionContext& ctx, const std::vector<std::string>& databases);

// Converts a CSV from anywhere into an EndNote import file.
ImportResult runImportCsv(ConversionContext& ctx, const std::string& csv,
                          const std::string& importFile);

}  // namespace rq
