// SPDX-License-Identifier: MIT
#pragma once
// What the command-line tool needs of the console: whether standard error is a terminal, text
// that shows as written there, escape codes only where the terminal reads them, and a way to
// hear the user's interrupt (SIGINT, SIGTERM and SIGHUP on POSIX; Ctrl-C and Ctrl-Break on
// Windows, which count as SIGINT).

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace rq {

// For a console program: its arguments as UTF-8, the program's name first (on Windows read
// from the wide command line, so that any file name arrives whole), and standard input, output
// and error set to pass bytes unchanged (no CR added or dropped before LF), as on POSIX.
std::vector<std::string> consoleArguments(int argc, char** argv);

bool standardErrorIsTerminal();

// Writes the UTF-8 `text` to `to` after what `to` holds already. A Windows console gets it as
// UTF-16 (WriteConsoleW), whatever its code page; a pipe or a file gets the UTF-8 bytes.
void writeText(std::FILE* to, std::string_view text);

// Whether the terminal behind `to` acts on escape codes such as "\x1b[K"; on Windows this
// first turns on the console's virtual-terminal processing, which older consoles lack.
bool enableTerminalEscapes(std::FILE* to);

// `handler` runs in a signal handler (POSIX) or on a thread of its own (Windows): it may only
// touch lock-free atomics. It gets the signal's number, from which the exit status is made
// (128 + the number). The first interrupt calls it; a second one ends the process at once, as
// if no handler were there.
using InterruptHandler = void (*)(int signal);
void installInterruptHandler(InterruptHandler handler);

// For an interrupt handler: the reads of the C runtime's file `descriptor` end as at the end of
// the file, so that a read that waits for a pipe or a terminal cannot outlast the signal (one
// that waits already is cut short by the signal). On POSIX the descriptor then reads
// /dev/null; Windows, whose handler runs on a thread of its own, leaves it as it is.
void endReading(int descriptor);
// The C runtime's descriptor of `file`, for endReading.
int fileDescriptor(std::FILE* file);

}  // namespace rq
