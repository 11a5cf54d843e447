// SPDX-License-Identifier: MIT
// Test helper: sleeps for the number of milliseconds of its first argument, then ends.
#include <chrono>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    const int ms = argc > 1 ? std::atoi(argv[1]) : 500;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return 0;
}
