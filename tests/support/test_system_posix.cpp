// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/test_system.h"

extern char** environ;

namespace rq::test {

namespace {
std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool sameName(const std::string& entry, const char* other) {
    const std::size_t eq = entry.find('=');
    return std::strncmp(entry.c_str(), other, eq + 1) == 0;
}
}  // namespace

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& captureFolder,
                      const std::vector<std::string>& environment) {
    const std::string outPath = captureFolder + "/stdout";
    const std::string errPath = captureFolder + "/stderr";
    std::vector<std::string> args = arguments;
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> extra = environment;
    std::vector<char*> envp;
    for (char** e = environ; *e != nullptr; ++e) {
        bool replaced = false;
        for (const std::string& entry : extra) replaced = replaced || sameName(entry, *e);
        if (!replaced) envp.push_back(*e);
    }
    for (std::string& entry : extra) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ProgramRun run;
    if (error != 0) return run;
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readAll(outPath);
    run.err = readAll(errPath);
    return run;
}

void setEnvironment(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

std::optional<std::uint32_t> storedUserDword(const std::string& keyPath,
                                             const std::string& valueName,
                                             const std::string& configFolder) {
    std::istringstream lines(readAll(configFolder + "/Refquill/registry.reg"));
    const std::string section = "[HKEY_CURRENT_USER" + keyPath + "]";
    const std::string entry = "\"" + valueName + "\"=dword:";
    bool inSection = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') inSection = line == section;
        if (inSection && line.compare(0, entry.size(), entry) == 0) {
            return static_cast<std::uint32_t>(std::stoul(line.substr(entry.size()), nullptr, 16));
        }
    }
    return std::nullopt;
}

void forgetUserDword(const std::string&, const std::string&, const std::string& configFolder) {
    std::remove((configFolder + "/Refquill/registry.reg").c_str());
}

std::string folderAlias(const std::string& folder, const std::string& wanted) {
    return ::symlink(folder.c_str(), wanted.c_str()) == 0 ? wanted : std::string();
}

std::string programFilesFolder() {
    return std::string();
}

const bool kPlatformStoresAnsiNames = false;

const bool kPlatformQueuesHandheldInstalls = true;

}  // namespace rq::test
