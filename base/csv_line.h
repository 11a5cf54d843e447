// SPDX-License-Identifier: MIT
#pragma once
// Splits one line of the comma-separated text the converter and the desktop program exchange:
// every value in double quotes with quotes doubled, CR LF line ends. Both readers tolerate
// - blanks (bytes 0x01 to 0x20) around values and at both ends of the line;
// - unquoted values, which run to the next comma, blanks at both ends dropped;
// - a quoted value followed directly by the next value, without a comma;
// - a comma at the end of the line (it adds no value).
// They differ where a value would come out changed; CsvLineRules holds each difference.

#include <string_view>
#include <vector>

namespace rq {

struct CsvLineRules {
    // A zero byte ends the line's text (the desktop program's reader), or the line is refused
    // (the converter: no JFile value can hold one).
    bool zeroByteEndsText;
    // A quote that is never closed takes the rest of the line less its last byte, taken to be
    // the LF of the line end (the desktop program's reader), or the line is refused.
    bool unclosedQuoteTakesRest;
};
inline constexpr CsvLineRules kImportCsvRules{true, true};
inline constexpr CsvLineRules kConverterCsvRules{false, false};

enum class CsvLineResult { Split, ZeroByte, UnclosedQuote };

// The values of `text`. Unquoted values and quoted ones without a doubled quote are views into
// `text`; a value with doubled quotes is unescaped into `store`, which must hold at least
// text.size() bytes. Runs are found with memchr, never byte by byte. When the line is refused,
// `values` holds the values before the refused one.
CsvLineResult splitCsvViews(std::string_view text, char* store,
                            std::vector<std::string_view>& values, const CsvLineRules& rules);

}  // namespace rq
