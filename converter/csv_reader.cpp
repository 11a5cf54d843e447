// SPDX-License-Identifier: MIT
#include "converter/csv_reader.h"

#include "base/bytes.h"
#include "base/csv_line.h"

namespace rq::jfile {

namespace {

// `store` and `views` are kept from line to line by the reader.
void split(std::string_view line, std::string& store, std::vector<std::string_view>& views,
           std::vector<std::string>& values) {
    if (store.size() < line.size()) store.resize(line.size());
    switch (splitCsvViews(line, store.data(), views, kConverterCsvRules)) {
        case CsvLineResult::Split:
            break;
        case CsvLineResult::ZeroByte:
            throw FormatError("the line holds a zero byte, which no JFile value can hold");
        case CsvLineResult::UnclosedQuote:
            throw FormatError("value " + std::to_string(views.size() + 1) +
                              " opens a double quote that is not closed on its line");
    }
    values.assign(views.begin(), views.end());
}

}  // namespace

void splitCsvLine(std::string_view line, std::vector<std::string>& values) {
    std::string store;
    std::vector<std::string_view> views;
    split(line, store, views, values);
}

bool CsvReader::readLine(std::vector<std::string>& values) {
    if (!std::getline(in_, line_, '\n')) {
        if (in_.bad())
            throw FormatError("the file could not be read after line " +
                              std::to_string(lineNumber_));
        return false;
    }
    ++lineNumber_;
    split(line_, store_, views_, values);
    return true;
}

}  // namespace rq::jfile
