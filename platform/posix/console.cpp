// SPDX-License-Identifier: MIT
#include "platform/console.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

namespace rq {

namespace {
volatile InterruptHandler interruptHandler = nullptr;

void onInterrupt(int signal) {
    // The next one ends the process as it would without us.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    ::sigaction(signal, &plain, nullptr);
    if (interruptHandler != nullptr) interruptHandler(signal);
}
}  // namespace

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void writeText(std::FILE* to, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), to);
}

bool enableTerminalEscapes(std::FILE*) {
    return true;
}

void installInterruptHandler(InterruptHandler handler) {
    interruptHandler = handler;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int fileDescriptor(std::FILE* file) {
    return ::fileno(file);
}

// Only calls that are safe in a signal handler.
void endReading(int descriptor) {
    const int empty = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (empty < 0) return;
    ::dup2(empty, descriptor);
    ::close(empty);
}

std::vector<std::string> consoleArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace rq
