// SPDX-License-Identifier: MIT
#pragma once
// What the command-line tool needs of the console: whether standard error is a terminal, text
// that shows as written there, escape codes only where the terminal reads them, and a way to
// hear the user's interrupt (SIGINT and SIGTERM on POSIX; Ctrl-C and Ctrl-Break on Windows).

#include <cstdio>
#include <string_view>

namespace rq {

bool standardErrorIsTerminal();

// Writes the UTF-8 `text` to `to` after what `to` holds already. A Windows console gets it as
// UTF-16 (WriteConsoleW), whatever its code page; a pipe or a file gets the UTF-8 bytes.
void writeText(std::FILE* to, std::string_view text);

// Whether the terminal behind `to` acts on escape codes such as "\x1b[K"; on Windows this
// first turns on the console's virtual-terminal processing, which older consoles lack.
bool enableTerminalEscapes(std::FILE* to);

// `handler` runs in a signal handler (POSIX) or on a thread of its own (Windows): it may only
// touch lock-free atomics. The first interrupt calls it; a second one ends the process at once,
// as if no handler were there.
using InterruptHandler = void (*)();
void installInterruptHandler(InterruptHandler handler);

}  // namespace rq
