// SPDX-License-Identifier: MIT
#pragma once
// Reads the conversion-info text the desktop program writes beside its CSV:
//   line 1  field type per CSV column, each followed by a blank
//   line 2  list-view column width per CSV column
//   line 3  data width of the single-record view
//   line 4  first column to show
//   line 5  lock number (8: structure locked)
//   line 6  extra value per column (zeros)
//   line 7  second extra value per column (zeros)
//   line 8  the marker 456E644A46696C654461746100
//   then    sections "popup<letter>", one item a line
// No line end after the last line; an empty line is an empty item. LF alone is accepted.
// The letters count CSV columns: "a".."z" for 1-26, then "B" for 27, "C" for 28 and so on
// ("A" is never used).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rq::jfile {

// The marker the engine writes (engine/conversion_info.cpp), defined here on purpose, as every
// format constant of the converter: see kLineEndMark in csv_writer.h.
inline constexpr std::string_view kIfoMarker = "456E644A46696C654461746100";

struct IfoInfo {
    std::vector<std::int64_t> types;
    std::vector<std::int64_t> widths;
    std::int64_t dataWidth = 110;
    std::int64_t firstColumn = 1;
    std::int64_t lockFlags = 0;
    std::vector<std::int64_t> extra;
    std::vector<std::int64_t> extra2;
    // 0-based CSV column -> popup items.
    std::map<std::size_t, std::vector<std::string>> popupLists;
    // Sections whose letter names no column ("popupA", digits, ...): kept to be reported.
    std::vector<std::string> unplacedSections;
};

// 0-based CSV column of a section letter, or nothing for a letter the scheme never gives.
std::optional<std::size_t> ifoColumnOfLetter(char letter);

// Throws FormatError naming the line.
IfoInfo readIfo(std::string_view text);

}  // namespace rq::jfile
