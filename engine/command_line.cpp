// SPDX-License-Identifier: MIT
#include "engine/command_line.h"

#include <cstddef>

namespace rq {

namespace {

// Only space and tab end an argument on a Windows command line.
bool endsArgument(char c) {
    return c == ' ' || c == '\t';
}

// Reads the program name from the start of the line; returns the position after it.
std::size_t readProgramName(std::string_view line, std::string& name) {
    bool inQuotes = false;
    std::size_t i = 0;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && endsArgument(c)) {
            break;
        } else {
            name += c;
        }
    }
    return i;
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> arguments(1);
    std::size_t i = readProgramName(line, arguments.front());

    while (true) {
        while (i < line.size() && endsArgument(line[i])) ++i;
        if (i >= line.size()) break;

        std::string argument;
        bool inQuotes = false;
        while (i < line.size() && (inQuotes || !endsArgument(line[i]))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                } else if (inQuotes && i + 1 < line.size() && line[i + 1] == '"') {
                    // Two quotes inside a quoted part: one literal quote, still quoted.
                    argument += '"';
                    ++i;
                } else {
                    inQuotes = !inQuotes;
                }
                ++i;
            } else {
                argument.append(backslashes, '\\');
                if (backslashes == 0 && i < line.size()) {
                    argument += line[i];
                    ++i;
                }
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string quoteArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos) {
        return std::string(argument);
    }
    return enclosedArgument(argument);
}

std::string enclosedArgument(std::string_view argument) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            // Every backslash before a quote doubles, and one more escapes the quote itself.
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    // Backslashes before the closing quote double so that the quote still closes.
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string quoteProgramName(std::string_view program) {
    std::string name;
    name.reserve(program.size());
    for (const char c : program) {
        if (c != '"') name += c;
    }
    if (name.empty() || name.find_first_of(" \t") != std::string::npos) {
        return "\"" + name + "\"";
    }
    return name;
}

std::string joinCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) line += ' ';
        line += i == 0 ? quoteProgramName(arguments[i]) : quoteArgument(arguments[i]);
    }
    return line;
}

}  // namespace rq
