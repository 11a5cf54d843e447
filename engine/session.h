// SPDX-License-Identifier: MIT
#pragma once
// What the program does around the jobs: at start the strategy is read from the program folder
// (or the factory defaults are written there and read) and the working folders are made; at
// the end the strategy and the run log are written into the program folder.

#include <string_view>

#include "engine/context.h"
#include "engine/output_file.h"
#include "engine/user_settings.h"

namespace rq {

inline constexpr std::string_view kExchangeFolderName = "Import and Export";
inline constexpr std::string_view kLogFileName = "Log.txt";
inline constexpr std::string_view kStrategyBackupName = "Strat.jfp.bak";

// Clears the strategy and gives the three conversion-info numbers their start values (110, 1
// and 8), as start-up does before it reads a strategy file.
void prepareStrategy(Strategy& strategy, StrategyWindow& window);

// Needs ctx.programFolder set. Resets the strategy, reads "Strat.jfp", falls back to the
// factory defaults, creates the working folders and shows the strategy in the window. Only a
// missing "Strat.jfp" gets the factory defaults silently: one that cannot be read, or is cut
// off, or holds a bad number, is first kept as "Strat.jfp.bak" and the user is told. A first
// start writes "Strat.jfp" through `output`.
void startSession(ConversionContext& ctx, UserSettings& settings, OutputFile& output);

// Collects the strategy from the window, writes "Strat.jfp" through `output` when this run
// changed it, ends the log with the program's location and writes it to "Log.txt". False when
// either could not be written; the user has been told, with the path and the system's reason,
// and the earlier file is as it was.
bool endSession(ConversionContext& ctx, UserSettings& settings, OutputFile& output);

}  // namespace rq
