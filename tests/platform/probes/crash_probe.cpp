// Test helper: ends by a signal, as a crashing program does; "exit N" ends normally with code N.
#include <csignal>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
    std::raise(SIGSEGV);
    return 0;
}
