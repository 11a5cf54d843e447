// SPDX-License-Identifier: MIT
#pragma once
// The entry points of the platform layer: app/ creates the services once and hands them to the
// conversion context and the shell.

#include <memory>
#include <string>
#include <vector>

#include "engine/system_services.h"

namespace rq {

// The services of the operating system the program is built for.
std::unique_ptr<SystemServices> createSystemServices();

// Full path of the running program's executable; empty when the system cannot tell.
std::string executablePath();

// For a console program: its arguments as UTF-8, the program's name first (on Windows read
// from the wide command line, so that any file name arrives whole), and standard input, output
// and error set to pass bytes unchanged (no CR added or dropped before LF), as on POSIX.
std::vector<std::string> consoleArguments(int argc, char** argv);

}  // namespace rq
