// Test helper: ends by a signal, as a crashing program does.
#include <csignal>

int main() {
    std::raise(SIGSEGV);
    return 0;
}
