// SPDX-License-Identifier: MIT
#pragma once
// Reads the comma-separated text the desktop program writes for JFile: one record a line,
// header line first, every value in double quotes with quotes doubled, CR LF line ends. Lines
// are split by base/csv_line.h under the converter's rules: what the desktop program's reader
// tolerates is tolerated, but where that reader guesses a line is refused, because a value
// would come out changed: a quote that is not closed on its line, and a zero byte (the
// program's reader ends the line there).

#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace rq::jfile {

// Throws FormatError (without a line number; the caller knows the line).
void splitCsvLine(std::string_view line, std::vector<std::string>& values);

class CsvReader {
  public:
    explicit CsvReader(std::istream& in) : in_(in) {}

    // The values of the next line; false at the end of the input. The line ends at an LF or at
    // the end of the input; a final LF starts no further line.
    bool readLine(std::vector<std::string>& values);
    // 1-based number of the line last read.
    std::size_t lineNumber() const { return lineNumber_; }

  private:
    std::istream& in_;
    std::string line_;
    std::string store_;
    std::vector<std::string_view> views_;
    std::size_t lineNumber_ = 0;
};

}  // namespace rq::jfile
