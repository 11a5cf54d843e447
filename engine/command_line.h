// SPDX-License-Identifier: MIT
#pragma once
// One command line split into arguments the way the Microsoft C runtime does it, so that a
// program started on POSIX receives exactly the arguments it would receive on Windows, and the
// inverse: an argument quoted so that it splits back to itself.

#include <string>
#include <string_view>
#include <vector>

namespace rq {

// The first argument is the program name: it runs to the first blank (space or tab) outside
// double quotes, the quotes only switch the blanks off and backslashes are plain characters.
// Every later argument follows the full rules:
//  - runs of blanks outside quotes separate arguments and are dropped;
//  - 2n backslashes before a double quote give n backslashes, and the quote opens or closes a
//    quoted part; 2n+1 backslashes before a quote give n backslashes and a literal quote;
//  - backslashes not followed by a quote are literal;
//  - inside a quoted part, two double quotes in a row give one literal quote and the quoted
//    part goes on;
//  - "" on its own is an empty argument.
// The result always holds the program name, which may be empty.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// `argument` written so that splitCommandLine reads it back as one argument unchanged (any
// position but the first). Arguments without blanks or quotes, and not empty, stay as they are.
std::string quoteArgument(std::string_view argument);

// `argument` always enclosed in double quotes, with the escapes that make it split back to
// itself (any position but the first).
std::string enclosedArgument(std::string_view argument);

// A program path for the first position: enclosed in double quotes when it holds a blank. A
// program name cannot carry a double quote through the runtime's rules; such characters are
// dropped, as they would be by the splitting.
std::string quoteProgramName(std::string_view program);

// The arguments joined by single blanks, the first with quoteProgramName, the rest with
// quoteArgument.
std::string joinCommandLine(const std::vector<std::string>& arguments);

}  // namespace rq
