#include "platform/posix/posix_system_services.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "engine/path.h"
#include "platform/common/command_line.h"
#include "platform/platform.h"
#include "platform/posix/registry_store.h"

extern char** environ;

namespace rq {

namespace fs = std::filesystem;

namespace {

// How much nicer than ourselves a high-priority child runs; Windows' HIGH_PRIORITY_CLASS sits
// well above normal, and only a privileged user may go below nice 0 at all.
constexpr int kHighPriorityNiceStep = 10;

// ProcessHandle::thread holds this once the child has been reaped, so later polls still say
// Exited instead of failing.
constexpr std::intptr_t kReaped = 1;

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

bool writeWholeFile(const std::string& path, const std::string& contents) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

enum class ReadResult { Read, Missing, Failed };

ReadResult readWholeFile(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return ReadResult::Failed;
    contents = buffer.str();
    return ReadResult::Read;
}

}  // namespace

PosixSystemServices::PosixSystemServices(PosixFolders folders) : folders_(std::move(folders)) {}

PosixSystemServices::~PosixSystemServices() {
    releaseInstanceLock();
}

// --- processes -------------------------------------------------------------------------------

bool PosixSystemServices::startProcess(const std::string& application,
                                       const std::string& commandLine, bool highPriority,
                                       ProcessHandle& handle) {
    handle = {};
    std::vector<std::string> arguments = splitCommandLine(commandLine);
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    // The child gets stdin, stdout and stderr and nothing else, as with bInheritHandles FALSE.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    pid_t pid = 0;
    const int error =
        posix_spawn(&pid, application.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return false;

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
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(static_cast<pid_t>(handle.process), &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) return ProcessStatus::Running;
    if (result < 0) return ProcessStatus::QueryFailed;
    handle.thread = kReaped;
    return ProcessStatus::Exited;
}

void PosixSystemServices::releaseProcess(ProcessHandle& handle) {
    if (handle.process > 0 && handle.thread != kReaped) {
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

    const std::string temporary = store + ".tmp" + std::to_string(::getpid());
    if (!writeWholeFile(temporary, *updated) || ::rename(temporary.c_str(), store.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return RegistryResult::WriteFailed;
    }
    return RegistryResult::Ok;
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
