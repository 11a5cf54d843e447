// SPDX-License-Identifier: MIT
// Runs commands in turn, round after round, and prints each one's median CPU time (user +
// system of the process and its children), wall time and peak memory, and its ratio to the
// first command measured in the same rounds. On a shared machine CPU time and same-round
// ratios are what can be compared; wall times are shown for what they are worth.
//
//   side_by_side ROUNDS NAME 'COMMAND' [NAME 'COMMAND']...
//
// Each COMMAND is run by /bin/sh -c with its output thrown away. A command that fails stops
// the run with its exit status.
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sample {
    double cpu = 0;
    double wall = 0;
    double peakMiB = 0;
};

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

bool runOnce(const std::string& command, Sample& sample) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return false;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    sample.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    sample.wall = wall.count();
    sample.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        std::fprintf(stderr, "side_by_side: \"%s\" failed (status %d)\n", command.c_str(), status);
        return false;
    }
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: side_by_side ROUNDS NAME 'COMMAND' [NAME 'COMMAND']...\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(argv[1]));
    std::vector<std::string> names;
    std::vector<std::string> commands;
    for (int i = 2; i + 1 < argc; i += 2) {
        names.emplace_back(argv[i]);
        commands.emplace_back(argv[i + 1]);
    }
    const std::size_t count = commands.size();
    std::vector<std::vector<Sample>> samples(count);
    // One round not counted: it warms the page cache and the binaries.
    for (int round = -1; round < rounds; ++round) {
        for (std::size_t c = 0; c < count; ++c) {
            Sample s;
            if (!runOnce(commands[c], s)) return 1;
            if (round >= 0) samples[c].push_back(s);
        }
    }
    std::printf("%-24s %9s %9s %9s %10s %10s\n", "command", "cpu s", "wall s", "peak MiB",
                "cpu ratio", "wall ratio");
    for (std::size_t c = 0; c < count; ++c) {
        std::vector<double> cpu, wall, peak, cpuRatio, wallRatio;
        for (int r = 0; r < rounds; ++r) {
            const Sample& s = samples[c][static_cast<std::size_t>(r)];
            const Sample& first = samples[0][static_cast<std::size_t>(r)];
            cpu.push_back(s.cpu);
            wall.push_back(s.wall);
            peak.push_back(s.peakMiB);
            cpuRatio.push_back(first.cpu > 0 ? s.cpu / first.cpu : 0);
            wallRatio.push_back(first.wall > 0 ? s.wall / first.wall : 0);
        }
        std::printf("%-24s %9.3f %9.3f %9.1f %10.2f %10.2f\n", names[c].c_str(), median(cpu),
                    median(wall), *std::max_element(peak.begin(), peak.end()), median(cpuRatio),
                    median(wallRatio));
    }
    std::printf("medians of %d rounds; ratios are to \"%s\", round by round\n", rounds,
                names[0].c_str());
    return 0;
}
