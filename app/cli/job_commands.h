// SPDX-License-Identifier: MIT
#pragma once
// The conversion jobs of the command-line tool: what the desktop program does around a button
// press (start-up, the job with the named files in place of the file dialog, shutdown).

#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/job_result.h"
#include "engine/output_file.h"
#include "engine/user_settings.h"

namespace rq {

// ctx.programFolder (the data folder, a full path) and ctx.converterFolder must be set. The data
// folder gets "Strat.jfp", "Log.txt" and the working folders, as after a run of the desktop
// program; `settings` gets the strategy read there. A non-empty `outDir` takes the place of the
// strategy's output folder for this run only: "Strat.jfp" keeps its own. Both return what
// happened to each file.
JobResult runToJFile(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                     const std::vector<std::string>& exports, const std::string& outDir = {});
JobResult runToEndNote(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                       const std::vector<std::string>& databases, const std::string& outDir = {});

}  // namespace rq
