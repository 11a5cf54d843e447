// SPDX-License-Identifier: MIT
#pragma once
// The command line of refquill-cli: its commands, its options and their help texts. Parsing is
// CLI11's (options anywhere, "--" ends them, unknown options are named); the counts of file
// arguments are ours. The help is made from the command table and from the options and
// descriptions CLI11 holds, laid out as it has always read.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rq {

inline constexpr std::string_view kProgram = "refquill-cli";

struct CommandSession;  // what a command works with (main.cpp)
struct Invocation;
using CommandRunner = int (*)(CommandSession&, const Invocation&);

// One command: how it is called, its help, and what runs it.
struct CommandInfo {
    std::string_view name;
    std::string_view synopsis;  // the arguments as the usage shows them
    std::string_view summary;
    std::size_t positionalCount;
    bool moreAllowed;             // positionalCount or more
    std::string_view outputName;  // the value of -o in the synopsis; empty: no -o
    std::string_view outputHelp;
    std::string_view outDirHelp;  // what --out-dir replaces; empty: no --out-dir
    bool takesFormat;             // --format may be given
    bool job;                     // converts files in the data folder; hears interrupts
    CommandRunner run;
};
using CommandTable = std::span<const CommandInfo>;

struct Invocation {
    enum class Action { Run, Help, CommandHelp, Version, UsageError };
    Action action = Action::UsageError;
    const CommandInfo* command = nullptr;  // Run, CommandHelp; UsageError when one was named
    std::vector<std::string> positional;
    std::string output;
    std::string home;    // empty when --home was not given
    std::string outDir;  // empty when --out-dir was not given
    bool quiet = false;
    bool verbose = false;
    bool noWait = false;
    std::int64_t timeoutSeconds = 0;  // 0: no limit
    std::string format;               // from-jfile: empty for endnote
    std::string problem;              // UsageError: what was wrong
    std::string help;                 // Help, CommandHelp: the text to print
};

// `args` are the arguments after the program name; `commands` are the commands to know.
Invocation parseCommandLine(const std::vector<std::string>& args, CommandTable commands);

// A line in the program's voice: "refquill-cli: KIND: TEXT" (KIND "error" or "warning").
std::string diagnostic(std::string_view kind, std::string_view text);

// The known word closest to a mistyped `word`, or empty when none is close enough.
std::string closestWord(std::string_view word, const std::vector<std::string_view>& known);

// The usage error of `invocation`: the diagnostic, then the usage of its command alone (or the
// general one) and where to read more.
void printUsageError(std::FILE* to, const Invocation& invocation);

}  // namespace rq
