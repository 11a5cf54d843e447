// SPDX-License-Identifier: MIT
// Test helper: crashes, by a signal on POSIX and with an exception status on Windows; "exit N"
// ends normally with code N.
#include <csignal>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
#ifdef _WIN32
    __builtin_trap();  // raise() would only exit with code 3 there
#else
    std::raise(SIGSEGV);
#endif
    return 0;
}
