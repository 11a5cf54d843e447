// SPDX-License-Identifier: MIT
#pragma once
// SystemServices on Windows: each member is one or two Win32 calls. The engine's texts are
// UTF-8; every call gets UTF-16, and the names stored in files keep the ANSI code page.

#include <memory>
#include <string>

#include "engine/system_services.h"

namespace rq {

class Win32SystemServices : public SystemServices {
  public:
    Win32SystemServices() = default;
    ~Win32SystemServices() override;
    Win32SystemServices(const Win32SystemServices&) = delete;
    Win32SystemServices& operator=(const Win32SystemServices&) = delete;

    bool startProcess(const std::string& application, const std::string& commandLine,
                      bool highPriority, ProcessHandle& handle) override;
    // In a job object that ends it when this program ends (its handle closes with the process).
    bool startCapturedProcess(const std::string& application, const std::string& commandLine,
                              bool highPriority, const std::string& errorFile,
                              ProcessHandle& handle) override;
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
    std::optional<std::string> storedText(const std::string& text) override;
    std::string textFromStored(const std::string& bytes) override;
    std::string readableStoredText(std::string_view text) override;
    std::string lastStartError() override { return lastStartError_; }

    bool acquireInstanceLock(const std::string& name) override;
    void releaseInstanceLock() override;
    // A named mutex "RefquillFolder-" + a hash of the folder's full path in capitals.
    FolderLock tryLockProgramFolder(const std::string& programFolder) override;
    void unlockProgramFolder() override;
    void beep(int frequencyHz, int durationMs) override;

  private:
    void* mutex_ = nullptr;
    void* folderMutex_ = nullptr;  // HANDLE of the named mutex while held
    void* job_ = nullptr;          // HANDLE of the job object that kills its processes on close
    std::string lastStartError_;
};

}  // namespace rq
