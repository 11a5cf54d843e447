// SPDX-License-Identifier: MIT
#pragma once
// The files of the commands that convert one file (export-csv, import-csv, write-ifo): "-" is
// standard input or output, as with every peer of the tool, and a signal ends the writing with
// its temporary file removed. The jobs stay file-based and do not come here.

#include <atomic>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/files.h"
#include "engine/output_file.h"

namespace rq {

// The argument that names standard input (as a file) or standard output (as -o).
inline constexpr std::string_view kStandardStream = "-";
inline constexpr std::string_view kStandardInputName = "standard input";
inline constexpr std::string_view kStandardOutputName = "standard output";

// Thrown out of the engine's work by a signal (its number): the writer's guard drops the
// temporary file on the way out.
struct Interrupted {
    int signal;
};

// An input, open for reading from its first byte.
struct CommandInput {
    UniqueFile owned;
    std::FILE* file = nullptr;  // null when it could not be opened
    std::string name;           // for messages: the path, or "standard input"
    std::string problem;        // why it could not be opened, in the system's words
};
CommandInput openCommandInput(const std::string& argument);

// The name under which the engine is given the output `argument`: "standard output" for "-".
std::string outputName(const std::string& argument);

// The opener of the output slot for these commands: `toStandardOutput` sends "standard output"
// to the stream `out`; every other path is the system's replacement. Either way a write or the
// final commit throws Interrupted once `signal` holds a signal number.
OutputFile::Opener commandOpener(SystemServices& system, const std::atomic<int>& signal,
                                 bool toStandardOutput, std::FILE* out = stdout);

}  // namespace rq
