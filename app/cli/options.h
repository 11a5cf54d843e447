// SPDX-License-Identifier: MIT
#pragma once
// The command line of refquill-cli: its commands, its options and their help texts. Parsing is
// CLI11's (options anywhere, "--" ends them, unknown options are named); the counts of file
// arguments and the help texts are ours, so that they read as they always have.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace rq {

inline constexpr std::string_view kProgram = "refquill-cli";

struct CommandInfo {
    std::string_view name;
    std::string_view synopsis;  // the arguments as the usage shows them
    std::string_view summary;
    std::size_t positionalCount;
    bool moreAllowed;             // positionalCount or more
    std::string_view outputName;  // the value of -o in the synopsis; empty: no -o
    std::string_view outputHelp;
};

inline constexpr CommandInfo kCommands[] = {
    {"export-csv", "EXPORT -o CSV", "convert an EndNote export into the CSV for JFile", 1, false,
     "CSV", "the CSV to write"},
    {"write-ifo", "-o IFO", "write the conversion-info file of the strategy", 0, false, "IFO",
     "the conversion-info file to write"},
    {"to-jfile", "EXPORT...", "EndNote exports to JFile databases (the program's job)", 1, true, "",
     ""},
    {"to-endnote", "PDB...", "JFile databases to EndNote import files (the program's job)", 1, true,
     "", ""},
    {"import-csv", "CSV -o TSV", "convert a CSV into an EndNote import file", 1, false, "TSV",
     "the EndNote import file to write"},
};

struct Invocation {
    enum class Action { Run, Help, CommandHelp, Version, UsageError };
    Action action = Action::UsageError;
    const CommandInfo* command = nullptr;  // Run, CommandHelp
    std::vector<std::string> positional;
    std::string output;
    std::string home;  // empty when --home was not given
    bool quiet = false;
    bool verbose = false;
    bool noWait = false;
    std::int64_t timeoutSeconds = 0;  // 0: no limit
    std::string problem;              // UsageError: what was wrong
};

// `args` are the arguments after the program name.
Invocation parseCommandLine(const std::vector<std::string>& args);

void printUsage(std::FILE* to);
void printHelp(std::FILE* to);
void printCommandHelp(std::FILE* to, const CommandInfo& command);

}  // namespace rq
