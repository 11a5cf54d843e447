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
    std::string_view outDirHelp;  // what --out-dir replaces; empty: no --out-dir
};

inline constexpr CommandInfo kCommands[] = {
    {"export-csv", "EXPORT -o CSV", "convert an EndNote export into the CSV for JFile", 1, false,
     "CSV", "the CSV to write", ""},
    {"write-ifo", "-o IFO", "write the conversion-info file of the strategy", 0, false, "IFO",
     "the conversion-info file to write", ""},
    {"to-jfile", "[--out-dir DIR] EXPORT...",
     "EndNote exports to JFile databases (the program's job)", 1, true, "", "",
     "the Palm install folder"},
    {"to-endnote", "[--out-dir DIR] PDB...",
     "JFile databases to EndNote import files (the program's job)", 1, true, "", "",
     "the EndNote folder"},
    {"import-csv", "CSV -o TSV", "convert a CSV into an EndNote import file", 1, false, "TSV",
     "the EndNote import file to write", ""},
    {"from-jfile", "[--format endnote|ris|bibtex|csl-json] [--out-dir DIR] PDB...",
     "JFile databases to EndNote, RIS, BibTeX or CSL-JSON files", 1, true, "", "",
     "the EndNote folder"},
};

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
};

// `args` are the arguments after the program name.
Invocation parseCommandLine(const std::vector<std::string>& args);

// A line in the program's voice: "refquill-cli: KIND: TEXT" (KIND "error" or "warning").
std::string diagnostic(std::string_view kind, std::string_view text);

// The known word closest to a mistyped `word`, or empty when none is close enough.
std::string closestWord(std::string_view word, const std::vector<std::string_view>& known);

// The usage error of `invocation`: the diagnostic, then the usage of its command alone (or the
// general one) and where to read more.
void printUsageError(std::FILE* to, const Invocation& invocation);
void printHelp(std::FILE* to);
void printCommandHelp(std::FILE* to, const CommandInfo& command);

}  // namespace rq
