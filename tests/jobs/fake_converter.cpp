// Stand-ins for the converter, one program per behaviour (FAKE_MODE), that the driver tests copy
// into a program folder as jconvpro.exe. Each first writes the arguments it received, one a
// line, to "fake-args.txt" beside its output work file.

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

void writeOutput(const std::string& input, const std::string& output) {
    std::ifstream in(input, std::ios::binary);
    std::ofstream out(output, std::ios::binary);
    out << std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
        writeOutput(input, output);
        writeErrorLog(folder);
    }
    if (mode == "slow") {
        std::this_thread::sleep_for(std::chrono::milliseconds(3200));
        writeOutput(input, output);
    }
    if (mode == "crash") {
        writeOutput(input, output);
        std::abort();
    }
    return 0;
}
