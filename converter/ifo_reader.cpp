// SPDX-License-Identifier: MIT
#include "converter/ifo_reader.h"

#include <charconv>

#include "base/bytes.h"

namespace rq::jfile {

namespace {

std::string lineLabel(std::size_t index) {
    return "line " + std::to_string(index + 1);
}

std::int64_t parseNumber(std::string_view token, std::size_t lineIndex) {
    std::int64_t value = 0;
    const char* first = token.data();
    const char* last = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) {
        throw FormatError(lineLabel(lineIndex) + ": \"" + std::string(token) +
                          "\" is not a whole number");
    }
    return value;
}

std::vector<std::int64_t> parseNumbers(std::string_view line, std::size_t lineIndex) {
    std::vector<std::int64_t> numbers;
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (line[pos] == ' ' || line[pos] == '\t') {
            ++pos;
            continue;
        }
        const std::size_t end = line.find_first_of(" \t", pos);
        const std::size_t stop = end == std::string_view::npos ? line.size() : end;
        numbers.push_back(parseNumber(line.substr(pos, stop - pos), lineIndex));
        pos = stop;
    }
    return numbers;
}

std::int64_t parseSingle(std::string_view line, std::size_t lineIndex) {
    const auto numbers = parseNumbers(line, lineIndex);
    if (numbers.size() != 1) {
        throw FormatError(lineLabel(lineIndex) + " should hold one number and holds " +
                          std::to_string(numbers.size()));
    }
    return numbers[0];
}

bool isSectionLine(std::string_view line) {
    if (line.size() != 6 || line.substr(0, 5) != "popup") return false;
    const char c = line[5];
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::optional<std::size_t> ifoColumnOfLetter(char letter) {
    if (letter >= 'a' && letter <= 'z') return static_cast<std::size_t>(letter - 'a');
    if (letter >= 'B' && letter <= 'Z') return 26 + static_cast<std::size_t>(letter - 'B');
    return std::nullopt;
}

IfoInfo readIfo(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t lf = text.find('\n', pos);
        std::string_view line =
            text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (lf == std::string_view::npos) break;
        pos = lf + 1;
    }
    if (lines.size() < 8) {
        throw FormatError("the file holds " + std::to_string(lines.size()) +
                          " lines; it needs at least 8 (types, widths, three numbers, two lines "
                          "of extra values and the end marker)");
    }
    IfoInfo info;
    info.types = parseNumbers(lines[0], 0);
    info.widths = parseNumbers(lines[1], 1);
    info.dataWidth = parseSingle(lines[2], 2);
    info.firstColumn = parseSingle(lines[3], 3);
    info.lockFlags = parseSingle(lines[4], 4);
    info.extra = parseNumbers(lines[5], 5);
    info.extra2 = parseNumbers(lines[6], 6);
    if (lines[7] != kIfoMarker) {
        throw FormatError("line 8 should be the marker " + std::string(kIfoMarker) + " and is \"" +
                          std::string(lines[7].substr(0, 40)) + "\"");
    }
    if (lines.size() > 8 && !isSectionLine(lines[8])) {
        throw FormatError("line 9 should start a popup section (\"popup\" and a letter)");
    }
    std::vector<std::string>* items = nullptr;
    for (std::size_t i = 8; i < lines.size(); ++i) {
        if (isSectionLine(lines[i])) {
            const auto column = ifoColumnOfLetter(lines[i][5]);
            if (column) {
                items = &info.popupLists[*column];
                items->clear();  // a repeated section replaces the earlier one
            } else {
                items = nullptr;
                info.unplacedSections.emplace_back(lines[i]);
            }
            continue;
        }
        if (items) items->emplace_back(lines[i]);
    }
    return info;
}

}  // namespace rq::jfile
