// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "engine/command_line.h"
#include "platform/posix/posix_system_services.h"
#include "support/files.h"

namespace rq {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;

const std::string kBin = RQ_BIN_DIR;

// Polls like the driver does, with a generous bound so a broken poll cannot hang the suite.
ProcessStatus waitForEnd(SystemServices& system, ProcessHandle& handle) {
    for (int i = 0; i < 2000; ++i) {
        const ProcessStatus status = system.pollProcess(handle);
        if (status != ProcessStatus::Running) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ProcessStatus::Running;
}

class Processes : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("RQ_PROBE_OUT", (temp_ / "probe.txt").c_str(), 1); }
    void TearDown() override { ::unsetenv("RQ_PROBE_OUT"); }

    std::string runArgsProbe(const std::string& commandLine, bool highPriority = false) {
        ProcessHandle handle;
        EXPECT_TRUE(
            system_.startProcess(kBin + "/rq_args_probe", commandLine, highPriority, handle));
        EXPECT_GT(handle.process, 0);
        EXPECT_EQ(waitForEnd(system_, handle), ProcessStatus::Exited);
        system_.releaseProcess(handle);
        EXPECT_EQ(handle.process, 0);
        return readFile(temp_ / "probe.txt");
    }

    TempFolder temp_;
    PosixSystemServices system_{PosixFolders{temp_.path(), "", temp_.path()}};
};

TEST_F(Processes, ChildReceivesTheArgumentsByTheMicrosoftRules) {
    const std::string cwd = std::filesystem::current_path().string();
    // The program's own path is quoted here; the application to run is given apart from it.
    const std::string line = quoteProgramName("/opt/Ref quill/jconvpro.exe") +
                             " 2 /w/input.tmp /w/out.tmp   /w/ifo.tmp \"RQ-My \\\"refs\\\"\" "
                             "a\\\\\"b c\" \"\" tail\\";
    EXPECT_EQ(runArgsProbe(line),
              "27:/opt/Ref quill/jconvpro.exe\n1:2\n12:/w/input.tmp\n10:/w/out.tmp\n"
              "10:/w/ifo.tmp\n12:RQ-My \"refs\"\n5:a\\b c\n0:\n5:tail\\\n"
              "cwd:" +
                  cwd + "\nfds:0\n");
}

TEST_F(Processes, NoDescriptorsBeyondStdioAreInherited) {
    // A descriptor left open without close-on-exec, as some library might do.
    const int leaked = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 0);
    // With or without the priority request (refused or granted, the start succeeds).
    EXPECT_NE(runArgsProbe("probe x", true).find("\nfds:0\n"), std::string::npos);
    ::close(leaked);
}

TEST_F(Processes, RaisedPriorityWhenAllowed) {
    ::setenv("RQ_PROBE_OUT", (temp_ / "unused.txt").c_str(), 1);
    ProcessHandle handle;
    ASSERT_TRUE(system_.startProcess(kBin + "/rq_sleep_probe", "sleep 400", true, handle));
    errno = 0;
    const int childNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(handle.process));
    const int ownNice = ::getpriority(PRIO_PROCESS, 0);
    ASSERT_EQ(errno, 0);
    if (::geteuid() == 0) {
        EXPECT_LT(childNice, ownNice);
    } else {
        EXPECT_LE(childNice, ownNice);
    }
    EXPECT_EQ(waitForEnd(system_, handle), ProcessStatus::Exited);
    system_.releaseProcess(handle);
}

TEST_F(Processes, PollSaysRunningUntilTheEndAndExitedAfterwards) {
    ProcessHandle handle;
    ASSERT_TRUE(system_.startProcess(kBin + "/rq_sleep_probe", "sleep 300", false, handle));
    EXPECT_EQ(system_.pollProcess(handle), ProcessStatus::Running);
    EXPECT_EQ(waitForEnd(system_, handle), ProcessStatus::Exited);
    EXPECT_EQ(system_.pollProcess(handle), ProcessStatus::Exited);
    system_.releaseProcess(handle);
    EXPECT_EQ(system_.pollProcess(handle), ProcessStatus::QueryFailed);
}

// A signal ends a program abnormally; any exit code of its own is a normal end, not examined.
TEST_F(Processes, HowAProgramEndedIsTold) {
    const struct {
        const char* program;
        const char* commandLine;
        bool kill;
        ProcessStatus expected;
    } cases[] = {
        {"/rq_crash_probe", "crash", false, ProcessStatus::Abnormal},
        {"/rq_crash_probe", "crash exit 3", false, ProcessStatus::Exited},
        {"/rq_crash_probe", "crash exit 0", false, ProcessStatus::Exited},
        {"/rq_sleep_probe", "sleep 20000", true, ProcessStatus::Abnormal},
    };
    for (const auto& c : cases) {
        ProcessHandle handle;
        ASSERT_TRUE(system_.startProcess(kBin + c.program, c.commandLine, false, handle));
        if (c.kill) {
            EXPECT_EQ(system_.pollProcess(handle), ProcessStatus::Running);
            EXPECT_TRUE(system_.killProcess(handle));
        }
        EXPECT_EQ(waitForEnd(system_, handle), c.expected) << c.commandLine;
        // Asked again, the answer stays; a reaped process cannot be killed.
        EXPECT_EQ(system_.pollProcess(handle), c.expected) << c.commandLine;
        EXPECT_FALSE(system_.killProcess(handle));
        system_.releaseProcess(handle);
    }
}

TEST_F(Processes, MissingProgramDoesNotStart) {
    ProcessHandle handle;
    EXPECT_FALSE(system_.startProcess(temp_ / "jconvpro.exe", "jconvpro.exe 1", true, handle));
    EXPECT_EQ(handle.process, 0);
    EXPECT_EQ(system_.pollProcess(handle), ProcessStatus::QueryFailed);
}

TEST_F(Processes, ReleasingARunningProcessLeavesNoZombie) {
    ProcessHandle handle;
    ASSERT_TRUE(system_.startProcess(kBin + "/rq_sleep_probe", "sleep 100", false, handle));
    const pid_t pid = static_cast<pid_t>(handle.process);
    system_.releaseProcess(handle);
    EXPECT_EQ(handle.process, 0);
    // Once reaped, the pid no longer names our child.
    bool gone = false;
    for (int i = 0; i < 400 && !gone; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        gone = ::kill(pid, 0) != 0 && errno == ESRCH;
    }
    EXPECT_TRUE(gone);
}

// A converter must not outlive a run that was killed: it would write into the next run's work
// files. It also runs in a process group of its own, so a Ctrl-C reaches only the program.
TEST_F(Processes, AStartedProgramEndsWithTheProgramThatStartedIt) {
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t starter = ::fork();
    if (starter == 0) {
        PosixSystemServices system{PosixFolders{temp_.path(), "", temp_.path()}};
        ProcessHandle handle;
        pid_t child = 0;
        if (system.startProcess(kBin + "/rq_sleep_probe", "sleep 100000", false, handle)) {
            child = static_cast<pid_t>(handle.process);
        }
        (void)!::write(report[1], &child, sizeof child);
        for (;;) ::pause();
    }
    ::close(report[1]);
    pid_t child = 0;
    ASSERT_EQ(::read(report[0], &child, sizeof child), static_cast<ssize_t>(sizeof child));
    ::close(report[0]);
    ASSERT_GT(child, 0);
    EXPECT_EQ(::getpgid(child), child);
    ::kill(starter, SIGKILL);
    ::waitpid(starter, nullptr, 0);
    // Gone, or a zombie that only waits for whoever adopted it.
    const auto gone = [child] {
        if (::kill(child, 0) != 0) return errno == ESRCH;
        const std::string stat = readFile("/proc/" + std::to_string(child) + "/stat");
        const auto close = stat.rfind(')');
        return close != std::string::npos && stat.compare(close, 4, ") Z ") == 0;
    };
    bool ended = false;
    for (int i = 0; i < 400 && !ended; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ended = gone();
    }
    EXPECT_TRUE(ended);
    if (!ended) ::kill(child, SIGKILL);
}

TEST_F(Processes, StandardErrorCanGoToAFile) {
    const std::string errors = temp_ / "errors.tmp";
    writeFile(errors, "an earlier run's words\n");
    ProcessHandle handle;
    ASSERT_TRUE(
        system_.startCapturedProcess("/bin/sh", "sh -c \"echo oops >&2\"", false, errors, handle));
    EXPECT_EQ(waitForEnd(system_, handle), ProcessStatus::Exited);
    system_.releaseProcess(handle);
    EXPECT_EQ(readFile(errors), "oops\n");
    EXPECT_FALSE(system_.startCapturedProcess(temp_ / "none", "none", false, errors, handle));
    EXPECT_NE(system_.lastStartError().find("No such file"), std::string::npos);
}

// --- single instance -------------------------------------------------------------------------

// Runs `body` in a forked child and returns its exit code.
template <typename Body>
int inChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) _exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(InstanceLock, HeldUntilReleasedOrTheHolderDies) {
    TempFolder runtime;
    const PosixFolders folders{runtime.path(), "", runtime.path()};
    auto tryInChild = [&] {
        return inChild([&] {
            PosixSystemServices other{folders};
            return other.acquireInstanceLock("RefquillWin") ? 1 : 0;
        });
    };

    {
        PosixSystemServices first{folders};
        ASSERT_TRUE(first.acquireInstanceLock("RefquillWin"));
        EXPECT_EQ(tryInChild(), 0);
        // Another name is another lock.
        EXPECT_EQ(inChild([&] {
                      PosixSystemServices other{folders};
                      return other.acquireInstanceLock("SomethingElse") ? 1 : 0;
                  }),
                  1);
        first.releaseInstanceLock();
        EXPECT_EQ(tryInChild(), 1);
    }

    // A holder that is killed outright frees the lock.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        PosixSystemServices held{folders};
        const char flag = held.acquireInstanceLock("RefquillWin") ? 'y' : 'n';
        (void)!::write(ready[1], &flag, 1);
        ::pause();
        _exit(0);
    }
    char flag = 0;
    ASSERT_EQ(::read(ready[0], &flag, 1), 1);
    EXPECT_EQ(flag, 'y');
    EXPECT_EQ(tryInChild(), 0);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(tryInChild(), 1);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(InstanceLock, NotPassedOnToStartedPrograms) {
    TempFolder runtime;
    const PosixFolders folders{runtime.path(), "", runtime.path()};
    PosixSystemServices system{folders};
    ASSERT_TRUE(system.acquireInstanceLock("RefquillWin"));
    ProcessHandle handle;
    ASSERT_TRUE(system.startProcess(kBin + "/rq_sleep_probe", "sleep 2000", false, handle));
    system.releaseInstanceLock();
    // The converter still runs, yet the lock is free: it did not inherit it.
    EXPECT_EQ(system.pollProcess(handle), ProcessStatus::Running);
    EXPECT_EQ(inChild([&] {
                  PosixSystemServices other{folders};
                  return other.acquireInstanceLock("RefquillWin") ? 1 : 0;
              }),
              1);
    ::kill(static_cast<pid_t>(handle.process), SIGKILL);
    EXPECT_EQ(waitForEnd(system, handle), ProcessStatus::Abnormal);
    system.releaseProcess(handle);
}

// One conversion per program folder: a second holder, in another process, is refused until the
// first lets go or dies; another folder is another lock.
TEST(ProgramFolderLock, OneHolderPerFolder) {
    TempFolder runtime;
    TempFolder program;
    TempFolder otherProgram;
    const PosixFolders folders{runtime.path(), "", runtime.path()};
    auto tryInChild = [&](const std::string& folder) {
        return inChild([&] {
            PosixSystemServices other{folders};
            return other.tryLockProgramFolder(folder) == FolderLock::Acquired ? 1 : 0;
        });
    };
    PosixSystemServices first{folders};
    ASSERT_EQ(first.tryLockProgramFolder(program.path()), FolderLock::Acquired);
    EXPECT_EQ(tryInChild(program.path()), 0);
    EXPECT_EQ(tryInChild(program.path() + "/."), 0);  // the same folder by another spelling
    EXPECT_EQ(tryInChild(otherProgram.path()), 1);
    first.unlockProgramFolder();
    EXPECT_EQ(tryInChild(program.path()), 1);

    // A folder that takes no new file: the lock lies in the runtime folder instead.
    ASSERT_EQ(first.tryLockProgramFolder(program.path() + "/missing"), FolderLock::Acquired);
    EXPECT_EQ(tryInChild(program.path() + "/missing"), 0);
}

}  // namespace
}  // namespace rq
