// SPDX-License-Identifier: MIT
#pragma once
// The operating-system services the engine and the shell need, declared here and implemented
// in platform/ (POSIX and Win32). Each maps onto one Win32 call, named beside it, so the Win32
// side stays thin; tests substitute fakes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace rq {

// A started process: on Windows the process and main-thread handles, on POSIX the pid.
struct ProcessHandle {
    std::intptr_t process = 0;
    std::intptr_t thread = 0;
};

// Exited: ended by itself (its exit code is not examined). Abnormal: killed by a signal, or on
// Windows ended with an exception status (0xC0000005 and the like).
enum class ProcessStatus { Running, Exited, Abnormal, QueryFailed };

enum class FolderLock { Acquired, HeldByAnother };

// New contents for a file, written beside it and put in its place only when complete: until
// commit() the old file (if any) is untouched. Destroying an uncommitted one discards it.
class ReplacementFile {
  public:
    virtual ~ReplacementFile() = default;
    // Appends bytes. False when the system refused them (disk full, ...); see reason().
    virtual bool write(const char* data, std::size_t size) = 0;
    // Flushes to the disk (fsync / FlushFileBuffers), closes and renames over the target
    // (MoveFileEx with replace on Windows). False on failure: the target is as it was and the
    // temporary file is gone.
    virtual bool commit() = 0;
    // Closes and removes the temporary file; the target is as it was.
    virtual void discard() = 0;
    // The system's own words for the last failure ("No space left on device").
    const std::string& reason() const { return reason_; }

  protected:
    std::string reason_;
};

enum class RegistryResult { Ok, KeyNotOpened, WriteFailed };

class SystemServices {
  public:
    virtual ~SystemServices() = default;

    // CreateProcess(application, commandLine, ..., HIGH_PRIORITY_CLASS when asked): no handles
    // inherited, the caller's environment and current folder. The command line reaches the
    // program split into arguments by the Microsoft C runtime's rules on every platform.
    virtual bool startProcess(const std::string& application, const std::string& commandLine,
                              bool highPriority, ProcessHandle& handle) = 0;
    // startProcess with the program's standard error going to the file `errorFile` (created or
    // emptied) rather than the caller's, so that what it says reaches the user once, in its
    // report. The program also ends with the caller: it does not outlive a killed run. The
    // default cannot redirect and starts it as startProcess does.
    virtual bool startCapturedProcess(const std::string& application,
                                      const std::string& commandLine, bool highPriority,
                                      const std::string& errorFile, ProcessHandle& handle) {
        (void)errorFile;
        return startProcess(application, commandLine, highPriority, handle);
    }
    // Why the last startProcess failed, for the run log (GetLastError on Windows); empty when
    // the system does not tell.
    virtual std::string lastStartError() { return {}; }
    // Whether it still runs, or how it ended (a wait of no time, then GetExitCodeProcess on
    // Windows); never blocks.
    virtual ProcessStatus pollProcess(ProcessHandle& handle) = 0;
    // TerminateProcess / SIGKILL: ends a started process that is still running; the caller
    // then polls it to its end as usual. False when it could not be ended.
    virtual bool killProcess(ProcessHandle& handle);
    // CloseHandle on both handles.
    virtual void releaseProcess(ProcessHandle& handle) = 0;

    // GetShortPathName: a form of the folder that holds no blanks and names the same folder.
    virtual std::string shortFolderPath(const std::string& folder) = 0;
    // Starts new contents for `path` in a temporary file in the same folder. Nothing, with
    // `reason` set, when that file cannot be created. The default uses the standard library
    // (no flush to the disk); the platforms flush.
    virtual std::unique_ptr<ReplacementFile> beginReplace(const std::string& path,
                                                          std::string& reason);
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

    // Folder names in files that other programs of the system read ("Strat.jfp"): on Windows
    // the ANSI code page, without best-fit substitutes (WideCharToMultiByte with
    // WC_NO_BEST_FIT_CHARS, checking usedDefaultChar); nullopt when a character has no place
    // there. POSIX stores the program's own UTF-8 unchanged.
    virtual std::optional<std::string> storedText(const std::string& text) { return text; }
    // MultiByteToWideChar from the ANSI code page: the stored bytes back as the program's text.
    virtual std::string textFromStored(const std::string& bytes) { return bytes; }
    // Text that only people read back ("Log.txt"), stored as storedText does, except that a
    // character the code page cannot hold becomes "?" (no name holds one) rather than failing.
    virtual std::string readableStoredText(std::string_view text) { return std::string(text); }

    // CreateMutex with a name, owned at once: false when another process holds it.
    virtual bool acquireInstanceLock(const std::string& name) = 0;
    virtual void releaseInstanceLock() = 0;
    // One conversion per program folder at a time, for the window program and refquill-cli
    // alike: the work files have fixed names. Never waits; a caller that wants to wait tries
    // again. Released by unlockProgramFolder or when the process ends. The default (for
    // systems without processes to share with) always acquires.
    virtual FolderLock tryLockProgramFolder(const std::string& programFolder);
    virtual void unlockProgramFolder() {}
    // Beep(frequency, duration).
    virtual void beep(int frequencyHz, int durationMs) = 0;
};

}  // namespace rq
