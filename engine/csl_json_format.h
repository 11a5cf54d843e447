// SPDX-License-Identifier: MIT
#pragma once
// CSL-JSON: an array of objects as citation processors and Zotero exchange them.

#include <memory>

#include "engine/reference_record.h"

namespace rq {

std::unique_ptr<RecordSource> openCslJsonSource(TextInput& input);

// The writer: a JSON array, names split, issued as date-parts.
std::unique_ptr<RecordSink> makeCslJsonSink();

}  // namespace rq
