// SPDX-License-Identifier: MIT
// Stand-ins for the converter, one program per behaviour (FAKE_MODE), that the driver tests copy
// into a program folder as jconvpro.exe. Each first writes the arguments it received, one a
// line, to "fake-args.txt" beside its output work file.

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "support/fake_database.h"

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Direction "1" expects a database: the smallest whole one for the input CSV. Direction "2"
// expects a CSV: the input as it is.
void writeOutput(const std::string& direction, const std::string& input,
                 const std::string& output) {
    std::ifstream in(input, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
    if (direction == "1") bytes = rq::test::fakePalmDatabase(bytes);
    std::ofstream(output, std::ios::binary) << bytes;
}

void writeErrorLog(const std::string& folder) {
    std::ofstream(folder + "/jconvpro.err", std::ios::binary) << "fake failure\r\nline 2\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::string input = argv[2];
    const std::string output = argv[3];
    const std::string folder = folderOf(output);
    {
        std::ofstream args(folder + "/fake-args.txt", std::ios::binary);
        for (int i = 1; i < argc; ++i) args << argv[i] << '\n';
    }
    const std::string mode = FAKE_MODE;
    if (mode == "errlog") writeErrorLog(folder);
    if (mode == "both") {
        writeOutput(argv[1], input, output);
        writeErrorLog(folder);
    }
    if (mode == "slow") {
        std::this_thread::sleep_for(std::chrono::milliseconds(3200));
        writeOutput(argv[1], input, output);
    }
    if (mode == "hang") std::this_thread::sleep_for(std::chrono::seconds(60));
    if (mode == "truncated") {
        // A database header that lists 300 records, cut off after 100 bytes.
        std::string pdb(100, '\0');
        pdb.replace(0, 4, "fake");
        pdb.replace(60, 8, "JfD5JFi5");
        pdb[76] = 300 >> 8;
        pdb[77] = 300 & 0xFF;
        std::ofstream(output, std::ios::binary) << pdb;
    }
    if (mode == "garbage") std::ofstream(output, std::ios::binary) << "garbage, not a database";
    if (mode == "crash") {
        writeOutput(argv[1], input, output);
        // An illegal instruction: a crash by signal on POSIX, an exception status on Windows.
        __builtin_trap();
    }
    return 0;
}
