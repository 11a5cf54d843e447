// SPDX-License-Identifier: MIT
#pragma once
// SystemServices on POSIX systems. Where Windows has something POSIX lacks, a small per-user
// stand-in takes its place: a registry-export text file for the registry, a symbolic link
// without blanks for the short form of a folder, a locked file for the named mutex.

#include <memory>
#include <string>

#include "engine/system_services.h"

namespace rq {

// Folders the services use for per-user files. An empty member is taken from the environment
// at the time of use: $HOME; $XDG_CONFIG_HOME, else home + "/.config"; $XDG_RUNTIME_DIR, else
// a private folder "/tmp/refquill-<uid>".
struct PosixFolders {
    std::string home;
    std::string configHome;
    std::string runtimeFolder;
};

class PosixSystemServices : public SystemServices {
  public:
    explicit PosixSystemServices(PosixFolders folders = {});
    ~PosixSystemServices() override;
    PosixSystemServices(const PosixSystemServices&) = delete;
    PosixSystemServices& operator=(const PosixSystemServices&) = delete;

    bool startProcess(const std::string& application, const std::string& commandLine,
                      bool highPriority, ProcessHandle& handle) override;
    bool startCapturedProcess(const std::string& application, const std::string& commandLine,
                              bool highPriority, const std::string& errorFile,
                              ProcessHandle& handle) override;
    std::string lastStartError() override { return lastStartError_; }
    ProcessStatus pollProcess(ProcessHandle& handle) override;
    bool killProcess(ProcessHandle& handle) override;
    void releaseProcess(ProcessHandle& handle) override;

    std::string shortFolderPath(const std::string& folder) override;
    std::unique_ptr<ReplacementFile> beginReplace(const std::string& path,
                                                  std::string& reason) override;
    bool copyFile(const std::string& from, const std::string& to) override;
    bool deleteFile(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    bool folderExists(const std::string& path) override;
    bool createFolders(const std::string& path) override;
    std::string currentFolder() override;
    std::int64_t nowSeconds() override;

    RegistryResult writeUserDword(const std::string& keyPath, const std::string& valueName,
                                  std::uint32_t value) override;
    void queueForHandheldInstall(const std::string& databasePath) override;

    bool acquireInstanceLock(const std::string& name) override;
    void releaseInstanceLock() override;
    // A lock file ".refquill.lock" in the program folder (so that every user of the folder
    // sees it), or, where that folder takes no new file, one named after the folder in the
    // runtime folder.
    FolderLock tryLockProgramFolder(const std::string& programFolder) override;
    void unlockProgramFolder() override;
    void beep(int frequencyHz, int durationMs) override;

    // The file that stands in for the registry: config folder + "/Refquill/registry.reg".
    std::string registryStorePath() const;
    // The per-user folder for links and locks (created on demand, private to the user).
    std::string runtimeFolder() const;

  private:
    std::string homeFolder() const;
    std::string configFolder() const;
    static bool folderExistsAt(const std::string& path);

    PosixFolders folders_;
    int lockFd_ = -1;
    int folderLockFd_ = -1;
    std::string lastStartError_;
};

}  // namespace rq
