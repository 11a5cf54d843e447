// SPDX-License-Identifier: MIT
#pragma once
// The strategy file "Strat.jfp": the user's strategy kept from one run to the next as lines of
// comma-separated tokens, CR LF line ends. The meaning of a line is given by its number alone.

#include <string>
#include <string_view>
#include <vector>

#include "engine/context.h"
#include "engine/output_file.h"

namespace rq {

enum class StrategyRead { Read, CouldNotOpen, ReadError, NotANumber };

// The name of the strategy file in the program folder.
inline constexpr std::string_view kStrategyFileName = "Strat.jfp";

// The longest line the reader takes at once; the rest of a longer line counts as the next line.
inline constexpr std::size_t kStrategyLineLimit = 31999;

// The factory-default popup word list of field n (lists for fields 1, 3, 7 and 8; empty for the
// others).
const std::vector<std::string>& defaultPopupWords(int n);

// The complete text of the factory-default strategy file (19 lines, CR LF).
std::string factoryDefaultsText();

// Reads the file into `strategy`; the context's host tells the user. CouldNotOpen: nothing said.
// ReadError: "Couldnt Read Strategy File" shown. NotANumber: the integer message shown; values
// of the earlier lines stay.
StrategyRead readStrategyFile(ConversionContext& ctx, Strategy& strategy, const std::string& path);

// The same reading rules applied to text held in memory (never a ReadError).
StrategyRead readStrategyText(ConversionContext& ctx, Strategy& strategy, std::string_view text);

// Writes the whole strategy through the output slot: a temporary file beside `path` that then
// replaces it, so a failure leaves the old file as it was. A failure is shown as an error, with
// the path and the system's reason, and gives false.
bool writeStrategyFile(ConversionContext& ctx, const Strategy& strategy, OutputFile& output,
                       const std::string& path, bool reportFailure = true);

// The strategy as the strategy file holds it (folders in the program's own text).
std::string strategyFileText(const Strategy& strategy);

// True when the text holds a whole strategy file as the writers leave it: its last line ended,
// and the 44 lines of a strategy or exactly the 19 of the factory defaults. A shorter file was
// cut off (a full disk, a crash while it was written).
bool strategyTextComplete(std::string_view text);

// Writes the factory-default file at `path` in the same way; a file that cannot be created gives
// false silently.
bool writeFactoryDefaults(ConversionContext& ctx, OutputFile& output, const std::string& path);

}  // namespace rq
