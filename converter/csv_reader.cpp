// SPDX-License-Identifier: MIT
#include "converter/csv_reader.h"

#include "base/bytes.h"
#include "base/text.h"

namespace rq::jfile {

void splitCsvLine(std::string_view line, std::vector<std::string>& values) {
    values.clear();
    if (line.find('\0') != std::string_view::npos) {
        throw FormatError("the line holds a zero byte, which no JFile value can hold");
    }
    std::size_t pos = 0;
    const std::size_t end = line.size();
    auto skipBlanks = [&] {
        while (pos < end && isBlank(line[pos])) ++pos;
    };
    skipBlanks();
    while (pos < end) {
        std::string& value = values.emplace_back();
        if (line[pos] == '"') {
            ++pos;
            for (;;) {
                const std::size_t quote = line.find('"', pos);
                if (quote == std::string_view::npos) {
                    throw FormatError("value " + std::to_string(values.size()) +
                                      " opens a double quote that is not closed on its line");
                }
                value.append(line.substr(pos, quote - pos));
                pos = quote + 1;
                if (pos < end && line[pos] == '"') {
                    value.push_back('"');
                    ++pos;
                } else {
                    break;
                }
            }
        } else {
            // As in the program's own reader: up to the next comma, blanks at the end dropped.
            const std::size_t start = pos;
            while (pos < end && line[pos] != ',') ++pos;
            std::size_t stop = pos;
            while (stop > start && isBlank(line[stop - 1])) --stop;
            value.assign(line.substr(start, stop - start));
        }
        skipBlanks();
        if (pos < end && line[pos] == ',') {
            ++pos;
            skipBlanks();
        }
    }
}

bool CsvReader::readLine(std::vector<std::string>& values) {
    if (!std::getline(in_, line_, '\n')) {
        if (in_.bad())
            throw FormatError("the file could not be read after line " +
                              std::to_string(lineNumber_));
        return false;
    }
    ++lineNumber_;
    splitCsvLine(line_, values);
    return true;
}

}  // namespace rq::jfile
