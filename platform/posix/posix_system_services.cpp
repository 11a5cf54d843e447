// SPDX-License-Identifier: MIT
#include "platform/posix/posix_system_services.h"

#include <fcntl.h>
#include <sys/file.h>
#if defined(__linux__)
#include <linux/close_range.h>
#include <sys/prctl.h>
#endif
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "base/files.h"
#include "base/path.h"
#include "engine/command_line.h"
#include "engine/file_replace.h"
#include "platform/platform.h"
#include "platform/posix/registry_store.h"

extern char** environ;

namespace rq {

namespace fs = std::filesystem;

namespace {

#if defined(__linux__)
void setParentDeathSignal() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}
bool closeRangeOnExec() {
    return ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0;
}
#else
void setParentDeathSignal() {}
bool closeRangeOnExec() {
    return false;
}
#endif

// Every descriptor from 3 on closes at exec.
void closeDescriptorsOnExec() {
    if (closeRangeOnExec()) return;
    const long max = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (max > 0 && max < 65536 ? max : 65536); ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0) ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

// How many steps below our own nice value a high-priority child is put (a lower value runs
// first), as Windows' HIGH_PRIORITY_CLASS sits well above normal. Only a privileged user may
// lower a nice value at all.
constexpr int kHighPriorityNiceStep = 10;

// ProcessHandle::thread holds one of these once the child has been reaped, so later polls
// still tell how it ended instead of failing.
constexpr std::intptr_t kReaped = 1;
constexpr std::intptr_t kReapedAbnormal = 2;

bool reaped(const ProcessHandle& handle) {
    return handle.thread == kReaped || handle.thread == kReapedAbnormal;
}

std::string errnoText(int error) {
    return std::strerror(error);
}

// The child between fork and exec. It gets a process group of its own (a Ctrl-C at the terminal
// reaches the program, which stops it), dies with the program that started it (a killed run
// leaves no converter behind to write into the next run's work files), keeps the folder lock
// open while it runs, sends its standard error to `errorFd`, and gets no other descriptor.
[[noreturn]] void runChild(const char* application, char* const* argv, pid_t parent, int errorFd,
                           int lockFd, int reportFd) {
    ::setpgid(0, 0);
    setParentDeathSignal();
    if (::getppid() != parent) ::_exit(127);  // the parent died before the signal was set
    if (errorFd >= 0) ::dup2(errorFd, STDERR_FILENO);
    closeDescriptorsOnExec();
    if (lockFd >= 0) ::fcntl(lockFd, F_SETFD, 0);
    ::execve(application, argv, environ);
    const int error = errno;
    (void)!::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

// New contents written beside the target with plain system calls: fsync before the rename, and
// of the folder after it, so a crash of the machine leaves the old file or the new one. With
// `temporary` empty the target is no regular file (a device, a pipe): it is written directly.
class PosixReplacement final : public ReplacementFile {
  public:
    PosixReplacement(int fd, std::string target, std::string temporary)
        : fd_(fd),
          target_(std::move(target)),
          temporary_(std::move(temporary)),
          direct_(temporary_.empty()) {}
    ~PosixReplacement() override { discard(); }

    bool write(const char* data, std::size_t size) override {
        if (fd_ < 0) return fail(EBADF);
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0) {
                if (errno == EINTR) continue;
                return fail(errno);
            }
            if (n == 0) return fail(ENOSPC);
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool commit() override {
        if (fd_ < 0) return fail(EBADF);
        // Devices and pipes cannot be synced, and need not be.
        const bool synced = ::fsync(fd_) == 0 || (direct_ && (errno == EINVAL || errno == EROFS));
        const int syncError = errno;
        const bool closed = ::close(fd_) == 0;
        const int closeError = errno;
        fd_ = -1;
        if (!synced || !closed) {
            removeTemporary();
            return fail(!synced ? syncError : closeError);
        }
        if (direct_) return true;
        if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
            const int error = errno;
            removeTemporary();
            return fail(error);
        }
        temporary_.clear();
        // The rename itself reaches the disk with the folder; a failure here loses nothing.
        const int folder = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            (void)::fsync(folder);
            ::close(folder);
        }
        return true;
    }

    void discard() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        removeTemporary();
    }

  private:
    bool fail(int error) {
        reason_ = errnoText(error);
        return false;
    }
    void removeTemporary() {
        if (temporary_.empty()) return;
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }

    int fd_;
    std::string target_;
    std::string temporary_;
    bool direct_;
};

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool hasBlank(std::string_view text) {
    return text.find_first_of(" \t\n\v\f\r") != std::string_view::npos;
}

// A folder only we can write to: created with mode 0700, or an existing one that is ours and
// not open to others (a folder someone else prepared in /tmp must not be trusted).
bool ensurePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 022) == 0;
}

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

PosixSystemServices::PosixSystemServices(PosixFolders folders) : folders_(std::move(folders)) {}

PosixSystemServices::~PosixSystemServices() {
    releaseInstanceLock();
    unlockProgramFolder();
}

// --- processes -------------------------------------------------------------------------------

bool PosixSystemServices::startProcess(const std::string& application,
                                       const std::string& commandLine, bool highPriority,
                                       ProcessHandle& handle) {
    return startCapturedProcess(application, commandLine, highPriority, {}, handle);
}

bool PosixSystemServices::startCapturedProcess(const std::string& application,
                                               const std::string& commandLine, bool highPriority,
                                               const std::string& errorFile,
                                               ProcessHandle& handle) {
    handle = {};
    lastStartError_.clear();
    std::vector<std::string> arguments = splitCommandLine(commandLine);
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    const int errorFd = errorFile.empty() ? -1
                                          : ::open(errorFile.c_str(),
                                                   O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    // The child tells through this pipe why it could not run the program; a successful exec
    // closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        lastStartError_ = "The converter could not be started: " + errnoText(errno);
        if (errorFd >= 0) ::close(errorFd);
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only calls that are safe between fork and exec from here on.
        runChild(application.c_str(), argv.data(), parent, errorFd, folderLockFd_, report[1]);
    }
    const int forkError = errno;
    ::close(report[1]);
    if (errorFd >= 0) ::close(errorFd);
    if (pid < 0) {
        ::close(report[0]);
        lastStartError_ = "The converter could not be started: " + errnoText(forkError);
        return false;
    }
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        lastStartError_ =
            "The converter could not be started: " + application + ": " + errnoText(childError);
        return false;
    }

    if (highPriority) {
        errno = 0;
        const int nice = ::getpriority(PRIO_PROCESS, 0);
        if (errno == 0) {
            // Refused without privileges; the child then simply runs at normal priority.
            (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), nice - kHighPriorityNiceStep);
        }
    }
    handle.process = pid;
    return true;
}

ProcessStatus PosixSystemServices::pollProcess(ProcessHandle& handle) {
    if (handle.process <= 0) return ProcessStatus::QueryFailed;
    if (handle.thread == kReaped) return ProcessStatus::Exited;
    if (handle.thread == kReapedAbnormal) return ProcessStatus::Abnormal;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(static_cast<pid_t>(handle.process), &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) return ProcessStatus::Running;
    if (result < 0) return ProcessStatus::QueryFailed;
    // The exit code itself is not examined: converters from elsewhere may rely on that.
    if (WIFSIGNALED(status)) {
        handle.thread = kReapedAbnormal;
        return ProcessStatus::Abnormal;
    }
    handle.thread = kReaped;
    return ProcessStatus::Exited;
}

bool PosixSystemServices::killProcess(ProcessHandle& handle) {
    if (handle.process <= 0 || reaped(handle)) return false;
    return ::kill(static_cast<pid_t>(handle.process), SIGKILL) == 0;
}

void PosixSystemServices::releaseProcess(ProcessHandle& handle) {
    if (handle.process > 0 && !reaped(handle)) {
        const pid_t pid = static_cast<pid_t>(handle.process);
        if (::waitpid(pid, nullptr, WNOHANG) == 0) {
            // Closing a handle on Windows does not wait for the process; here someone must reap
            // it when it ends, or it stays a zombie for as long as we run.
            std::thread([pid] {
                while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
                }
            }).detach();
        }
    }
    handle = {};
}

// --- files and folders -----------------------------------------------------------------------

std::string PosixSystemServices::runtimeFolder() const {
    std::string folder = folders_.runtimeFolder.empty() ? environmentValue("XDG_RUNTIME_DIR")
                                                        : folders_.runtimeFolder;
    if (!folder.empty() && folder.front() == '/' && !hasBlank(folder) && folderExistsAt(folder)) {
        return folder;
    }
    folder = "/tmp/refquill-" + std::to_string(::getuid());
    return ensurePrivateFolder(folder) ? folder : std::string();
}

bool PosixSystemServices::folderExistsAt(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string PosixSystemServices::shortFolderPath(const std::string& folder) {
    if (!hasBlank(folder)) return folder;
    // No 8.3 names here: a symbolic link without blanks stands in for the folder. The link's
    // name comes from the folder's path, so every run with the same folder reuses it.
    std::error_code error;
    const fs::path target = fs::absolute(folder, error);
    if (error) return folder;
    const std::string base = runtimeFolder();
    if (base.empty()) return folder;
    const std::string links = joinPath(base, "short");
    if (!ensurePrivateFolder(links)) return folder;

    char name[32];
    std::snprintf(name, sizeof name, "%016llx",
                  static_cast<unsigned long long>(fnv1a(target.string())));
    const std::string link = joinPath(links, name);

    const fs::path current = fs::read_symlink(link, error);
    if (!error && current == target) return link;

    // Links to folders that are gone are of no use to anyone; clear them while here.
    for (const auto& entry : fs::directory_iterator(links, error)) {
        std::error_code ignored;
        if (entry.is_symlink(ignored) && !fs::exists(entry.path(), ignored)) {
            fs::remove(entry.path(), ignored);
        }
    }

    // Made under a private name and renamed, so a half-made link is never seen.
    const std::string temporary = link + ".tmp" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0) return folder;
    if (::rename(temporary.c_str(), link.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return folder;
    }
    return link;
}

std::unique_ptr<ReplacementFile> PosixSystemServices::beginReplace(const std::string& path,
                                                                   std::string& reason) {
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        reason = errnoText(EISDIR);
        return nullptr;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        // A device or a pipe (/dev/stdout) is written, not replaced.
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) {
            reason = errnoText(errno);
            return nullptr;
        }
        return std::make_unique<PosixReplacement>(fd, path, std::string());
    }
    // A link is kept: the file it points to is the one replaced, also one that does not exist
    // yet.
    const std::string target = replacementTarget(path);
    const std::string temporary = replacementPath(target);
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        reason = errnoText(errno);
        return nullptr;
    }
    // A file the user gave a mode keeps it; a new one gets what the umask leaves, as with fopen.
    if (exists) (void)::fchmod(fd, old.st_mode & 07777);
    return std::make_unique<PosixReplacement>(fd, target, temporary);
}

bool PosixSystemServices::copyFile(const std::string& from, const std::string& to) {
    std::error_code error;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, error) && !error;
}

bool PosixSystemServices::deleteFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

bool PosixSystemServices::fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool PosixSystemServices::folderExists(const std::string& path) {
    return folderExistsAt(path);
}

bool PosixSystemServices::createFolders(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    return folderExistsAt(path);
}

std::string PosixSystemServices::currentFolder() {
    std::error_code error;
    const fs::path current = fs::current_path(error);
    return error ? std::string() : current.string();
}

std::int64_t PosixSystemServices::nowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// --- registry stand-in and the handheld install queue ----------------------------------------

std::string PosixSystemServices::homeFolder() const {
    return folders_.home.empty() ? environmentValue("HOME") : folders_.home;
}

std::string PosixSystemServices::configFolder() const {
    if (!folders_.configHome.empty()) return folders_.configHome;
    const std::string config = environmentValue("XDG_CONFIG_HOME");
    // A relative value is invalid by the XDG rules and is ignored.
    if (!config.empty() && config.front() == '/') return config;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : joinPath(home, ".config");
}

std::string PosixSystemServices::registryStorePath() const {
    const std::string config = configFolder();
    if (config.empty()) return std::string();
    return joinPath(joinPath(config, "Refquill"), "registry.reg");
}

RegistryResult PosixSystemServices::writeUserDword(const std::string& keyPath,
                                                   const std::string& valueName,
                                                   std::uint32_t value) {
    const std::string store = registryStorePath();
    if (store.empty() || !createFolders(folderOf(store))) return RegistryResult::KeyNotOpened;

    std::string text;
    if (readWholeFile(store, text) == ReadResult::Failed) return RegistryResult::KeyNotOpened;
    const auto updated = setRegistryDword(text, keyPath, valueName, value);
    // A file that is not a registry export is someone else's; it is left alone.
    if (!updated) return RegistryResult::KeyNotOpened;
    if (*updated == text) return RegistryResult::Ok;

    return replaceFileContents(*this, store, *updated) ? RegistryResult::Ok
                                                       : RegistryResult::WriteFailed;
}

void PosixSystemServices::queueForHandheldInstall(const std::string& databasePath) {
    const std::string home = homeFolder();
    if (home.empty()) return;
    const std::string jpilot = joinPath(home, ".jpilot");
    if (!folderExistsAt(jpilot)) return;

    std::error_code error;
    const std::string path = fs::absolute(databasePath, error).lexically_normal().string();
    // One path a line: a path holding a line break cannot be queued.
    if (error || path.find_first_of("\r\n") != std::string::npos) return;

    const std::string queue = joinPath(jpilot, "jpilot.install");
    std::string text;
    if (readWholeFile(queue, text) == ReadResult::Failed) return;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == path) return;
    }
    std::ofstream out(queue, std::ios::binary | std::ios::app);
    if (!text.empty() && text.back() != '\n') out << '\n';
    out << path << '\n';
}

// --- single instance and beep ----------------------------------------------------------------

bool PosixSystemServices::acquireInstanceLock(const std::string& name) {
    releaseInstanceLock();
    const std::string base = runtimeFolder();
    const std::string lockFile = base.empty()
                                     ? "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock"
                                     : joinPath(base, name + ".lock");
    // The system drops a flock when its holder dies, like a mutex whose owner has ended.
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        // As with a mutex that cannot be created at all: the program runs rather than refuse
        // to start for good.
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    lockFd_ = fd;
    return true;
}

void PosixSystemServices::releaseInstanceLock() {
    if (lockFd_ < 0) return;
    ::flock(lockFd_, LOCK_UN);
    ::close(lockFd_);
    lockFd_ = -1;
}

FolderLock PosixSystemServices::tryLockProgramFolder(const std::string& programFolder) {
    unlockProgramFolder();
    std::error_code error;
    const fs::path absolute = fs::weakly_canonical(fs::absolute(programFolder, error), error);
    const std::string folder = error ? programFolder : absolute.string();
    const auto openLock = [](const std::string& path) {
        return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    };
    int fd = openLock(joinPath(folder, ".refquill.lock"));
    if (fd < 0) {
        char name[40];
        std::snprintf(name, sizeof name, "folder-%016llx.lock",
                      static_cast<unsigned long long>(fnv1a(folder)));
        const std::string base = runtimeFolder();
        if (!base.empty()) fd = openLock(joinPath(base, name));
    }
    // With no lock file to be had anywhere the conversion runs, as the window program does
    // when no mutex can be created.
    if (fd < 0) return FolderLock::Acquired;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? FolderLock::HeldByAnother : FolderLock::Acquired;
    }
    folderLockFd_ = fd;
    return FolderLock::Acquired;
}

void PosixSystemServices::unlockProgramFolder() {
    if (folderLockFd_ < 0) return;
    ::flock(folderLockFd_, LOCK_UN);
    ::close(folderLockFd_);
    folderLockFd_ = -1;
}

void PosixSystemServices::beep(int, int) {
    // Pitch and length are not ours to choose on a terminal; the bell is all there is.
    const int fd = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    (void)!::write(fd, "\a", 1);
    ::close(fd);
}

// --- entry points ----------------------------------------------------------------------------

std::unique_ptr<SystemServices> createSystemServices() {
    return std::make_unique<PosixSystemServices>();
}

std::string executablePath() {
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

}  // namespace rq
