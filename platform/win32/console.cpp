// SPDX-License-Identifier: MIT
#include "platform/console.h"

#include <stdio.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <csignal>
#include <cwchar>
#include <string>

#include "platform/win32/text_codes.h"

namespace rq {

namespace {
std::atomic<InterruptHandler> interruptHandler{nullptr};
std::atomic<bool> interrupted{false};

// The console behind `to`, or nothing when it is a pipe, a file or not open.
HANDLE consoleOf(std::FILE* to, DWORD& mode) {
    const int descriptor = ::_fileno(to);
    if (descriptor < 0) return nullptr;
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
    if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) return nullptr;
    return handle;
}

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

void writeText(std::FILE* to, std::string_view text) {
    DWORD mode = 0;
    const HANDLE console = consoleOf(to, mode);
    if (console == nullptr) {
        std::fwrite(text.data(), 1, text.size(), to);
        return;
    }
    // What the stream holds goes first; bytes the console would read in its own code page
    // ("CafÃ©" in code page 850) never reach it.
    std::fflush(to);
    const std::wstring wide = wideFromCodePage(CP_UTF8, text);
    const wchar_t* next = wide.data();
    std::size_t left = wide.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(left < 16384 ? left : 16384);
        if (!::WriteConsoleW(console, next, piece, &written, nullptr) || written == 0) return;
        next += written;
        left -= written;
    }
}

bool enableTerminalEscapes(std::FILE* to) {
    DWORD mode = 0;
    const HANDLE console = consoleOf(to, mode);
    if (console == nullptr) return false;
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
    return ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void installInterruptHandler(InterruptHandler handler) {
    interruptHandler.store(handler);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void endReading(int) {}

int fileDescriptor(std::FILE* file) {
    return ::_fileno(file);
}

std::vector<std::string> consoleArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int i = 0; i < count; ++i)
            arguments.push_back(utf8FromWide(wide[i], std::wcslen(wide[i])));
        ::LocalFree(wide);
    }
    if (arguments.empty()) arguments.emplace_back();
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    return arguments;
}

}  // namespace rq
