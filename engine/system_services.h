#pragma once
// The operating-system services the engine and the shell need, declared here and implemented
// in platform/ (POSIX and Win32). Each maps onto one Win32 call, named beside it, so the Win32
// side stays thin; tests substitute fakes.

#include <cstdint>
#include <string>

namespace rq {

// A started process: on Windows the process and main-thread handles, on POSIX the pid.
struct ProcessHandle {
    std::intptr_t process = 0;
    std::intptr_t thread = 0;
};

enum class ProcessStatus { Running, Exited, QueryFailed };

enum class RegistryResult { Ok, KeyNotOpened, WriteFailed };

class SystemServices {
  public:
    virtual ~SystemServices() = default;

    // CreateProcess(application, commandLine, ..., HIGH_PRIORITY_CLASS when asked): no handles
    // inherited, the caller's environment and current folder. The command line reaches the
    // program split into arguments by the Microsoft C runtime's rules on every platform.
    virtual bool startProcess(const std::string& application, const std::string& commandLine,
                              bool highPriority, ProcessHandle& handle) = 0;
    // GetExitCodeProcess: never blocks.
    virtual ProcessStatus pollProcess(ProcessHandle& handle) = 0;
    // CloseHandle on both handles.
    virtual void releaseProcess(ProcessHandle& handle) = 0;

    // GetShortPathName: a form of the folder that holds no blanks and names the same folder.
    virtual std::string shortFolderPath(const std::string& folder) = 0;
    // CopyFile with overwrite, DeleteFile.
    virtual bool copyFile(const std::string& from, const std::string& to) = 0;
    virtual bool deleteFile(const std::string& path) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    virtual bool folderExists(const std::string& path) = 0;
    // Creates the folder and every missing parent; true when it exists afterwards.
    virtual bool createFolders(const std::string& path) = 0;
    virtual std::string currentFolder() = 0;
    // The calendar clock in whole seconds.
    virtual std::int64_t nowSeconds() = 0;

    // RegCreateKeyEx under HKEY_CURRENT_USER, then RegSetValueEx with a REG_DWORD.
    virtual RegistryResult writeUserDword(const std::string& keyPath, const std::string& valueName,
                                          std::uint32_t value) = 0;
    // Queues a database for the handheld's next sync where the platform's sync tool has such a
    // queue (J-Pilot on Linux); nothing on Windows, where the registry flag does the job.
    virtual void queueForHandheldInstall(const std::string& databasePath) = 0;

    // CreateMutex with a name, owned at once: false when another process holds it.
    virtual bool acquireInstanceLock(const std::string& name) = 0;
    virtual void releaseInstanceLock() = 0;
    // Beep(frequency, duration).
    virtual void beep(int frequencyHz, int durationMs) = 0;
};

}  // namespace rq
