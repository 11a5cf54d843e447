// SPDX-License-Identifier: MIT
#pragma once
// The conversion-info file (".IFO") that tells the converter how to build the JFile database:
// type and column width of each selected field, three database numbers and the popup word lists.

#include <string>

#include "engine/host_services.h"
#include "engine/output_file.h"
#include "engine/strategy.h"

namespace rq {

// Popup sections carry at most this many words of a field's list.
inline constexpr std::size_t kPopupWordsWritten = 99;

// Writes the file for `strategy` through `out` (giving its popup fields their letters afresh).
// False, after an error message to `host`, when the file cannot be created or written or when no
// field is selected.
bool writeConversionInfo(Strategy& strategy, HostServices& host, OutputFile& out,
                         const std::string& path);

}  // namespace rq
