// SPDX-License-Identifier: MIT
#include "platform/posix/registry_store.h"

#include <cstdio>
#include <vector>

#include "base/text.h"

namespace rq {

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER\\";

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = last ? text.size() : end + 1;
    }
    return lines;
}

// Registry paths have no leading or doubled separators in an export.
std::string normaliseKey(std::string_view keyPath) {
    std::string key;
    for (const char c : keyPath) {
        if (c == '\\' && (key.empty() || key.back() == '\\')) continue;
        key += c;
    }
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

bool isSection(std::string_view line) {
    return !line.empty() && line.front() == '[';
}

bool isSectionOf(std::string_view line, std::string_view key) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
    std::string_view inner = line.substr(1, line.size() - 2);
    if (inner.size() < kRoot.size() ||
        !equalsIgnoringAsciiCase(inner.substr(0, kRoot.size()), kRoot)) {
        return false;
    }
    return equalsIgnoringAsciiCase(normaliseKey(inner.substr(kRoot.size())), key);
}

// The name of a `"name"=...` line with its escapes undone; nothing for any other line.
std::optional<std::string> valueNameOf(std::string_view line) {
    if (line.empty() || line.front() != '"') return std::nullopt;
    std::string name;
    for (std::size_t i = 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            name += line[++i];
        } else if (c == '"') {
            if (i + 1 < line.size() && line[i + 1] == '=') return name;
            return std::nullopt;
        } else {
            name += c;
        }
    }
    return std::nullopt;
}

std::string valueLine(std::string_view name, std::uint32_t value) {
    std::string line = "\"";
    for (const char c : name) {
        if (c == '\\' || c == '"') line += '\\';
        line += c;
    }
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value));
    line += "\"=dword:";
    line += digits;
    return line;
}

bool continues(std::string_view line) {
    return !line.empty() && line.back() == '\\';
}

}  // namespace

std::optional<std::string> setRegistryDword(std::string_view text, std::string_view keyPath,
                                            std::string_view valueName, std::uint32_t value) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<std::string> lines = splitLines(text);
    if (lines.empty()) {
        lines = {std::string(kRegistryExportHeader), ""};
    } else if (lines.front() != kRegistryExportHeader) {
        return std::nullopt;
    }

    const std::string key = normaliseKey(keyPath);
    std::size_t section = 0;
    while (section < lines.size() && !isSectionOf(lines[section], key)) ++section;

    if (section == lines.size()) {
        if (!lines.back().empty()) lines.emplace_back();
        lines.push_back("[" + std::string(kRoot) + key + "]");
        lines.push_back(valueLine(valueName, value));
        lines.emplace_back();
    } else {
        std::size_t end = section + 1;
        while (end < lines.size() && !isSection(lines[end])) ++end;
        std::size_t found = end;
        for (std::size_t i = section + 1; i < end; ++i) {
            const auto name = valueNameOf(lines[i]);
            if (name && equalsIgnoringAsciiCase(*name, valueName)) {
                found = i;
                break;
            }
            // Skip the continuation lines of a long value.
            while (continues(lines[i]) && i + 1 < end) ++i;
        }
        if (found != end) {
            std::size_t last = found;
            while (continues(lines[last]) && last + 1 < end) ++last;
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(found) + 1,
                        lines.begin() + static_cast<std::ptrdiff_t>(last) + 1);
            // The registry keeps a value's name as first written.
            lines[found] = valueLine(*valueNameOf(lines[found]), value);
        } else {
            std::size_t insertAt = end;
            while (insertAt > section + 1 && lines[insertAt - 1].empty()) --insertAt;
            // A line that goes on (a value cut short) would take the new line as its own
            // continuation; a blank line ends it first.
            if (insertAt > section + 1 && continues(lines[insertAt - 1])) {
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt++), "");
            }
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                         valueLine(valueName, value));
        }
    }

    std::string result;
    for (const std::string& line : lines) {
        result += line;
        result += "\r\n";
    }
    return result;
}

}  // namespace rq
