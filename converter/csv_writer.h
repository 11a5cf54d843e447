// SPDX-License-Identifier: MIT
#pragma once
// Writes the comma-separated text the desktop program reads back: every value in double quotes,
// quotes doubled, single commas between values, CR LF after every line. A line break inside a
// value (LF, CR LF or a lone CR) becomes the line-end mark 0x85, so a record stays on one line.

#include <string>
#include <vector>

namespace rq::jfile {

// The same byte as the engine's kLineEndMark (engine/export_csv.h), defined here on purpose:
// the converter stands for an outside program and takes each format from the format itself,
// never from the engine; the end-to-end tests hold the two sides together.
inline constexpr char kLineEndMark = '\x85';

// Appends one line to `out`.
void appendCsvLine(std::string& out, const std::vector<std::string>& values);

}  // namespace rq::jfile
