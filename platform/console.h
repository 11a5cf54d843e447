#pragma once
// What the command-line tool needs of the console: whether standard error is a terminal, and a
// way to hear the user's interrupt (SIGINT and SIGTERM on POSIX; Ctrl-C and Ctrl-Break on
// Windows).

namespace rq {

bool standardErrorIsTerminal();

// `handler` runs in a signal handler (POSIX) or on a thread of its own (Windows): it may only
// touch lock-free atomics. The first interrupt calls it; a second one ends the process at once,
// as if no handler were there.
using InterruptHandler = void (*)();
void installInterruptHandler(InterruptHandler handler);

}  // namespace rq
