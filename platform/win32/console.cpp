#include "platform/console.h"

#include <stdio.h>
#include <windows.h>

#include <atomic>
#include <csignal>

namespace rq {

namespace {
std::atomic<InterruptHandler> interruptHandler{nullptr};
std::atomic<bool> interrupted{false};

BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            break;
        default:
            return FALSE;
    }
    // The second interrupt falls through to the system's handler, which ends the process.
    if (interrupted.exchange(true)) return FALSE;
    if (InterruptHandler handler = interruptHandler.load()) handler(SIGINT);
    return TRUE;
}
}  // namespace

bool standardErrorIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void installInterruptHandler(InterruptHandler handler) {
    interruptHandler.store(handler);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void endReading(int) {}

int fileDescriptor(std::FILE* file) {
    return ::_fileno(file);
}

}  // namespace rq
