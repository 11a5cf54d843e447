// SPDX-License-Identifier: MIT
#pragma once
// RIS: tag lines "XX  - value", records from "TY" to "ER". The reader takes what real exports
// hold (banners between records, a missing "ER", values continued on untagged lines, empty
// tags); the writer writes UTF-8 with a byte-order mark and CR LF.

#include <memory>

#include "engine/reference_record.h"

namespace rq {

std::unique_ptr<RecordSource> openRisSource(TextInput& input);

// The writer: UTF-8 with a byte-order mark, CR LF, one tag line per value.
std::unique_ptr<RecordSink> makeRisSink();

}  // namespace rq
