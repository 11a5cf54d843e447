// SPDX-License-Identifier: MIT
#include "platform/win32/win32_system_services.h"

#include <shlobj.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <cstdint>

#include <cstdio>
#include <ctime>
#include <cwchar>
#include <memory>
#include <vector>

#include "engine/file_replace.h"
#include "platform/platform.h"
#include "platform/win32/text_codes.h"

namespace rq {

namespace {

// The program's own text (UTF-8) for a wide-character call, and back.
std::wstring widen(const std::string& text) {
    return wideFromUtf8(text);
}

std::string narrow(const std::wstring& wide) {
    return utf8FromWide(wide);
}

// The run log is the only place that can name the reason for a failed start.
std::string startFailure(DWORD error) {
    return "The converter could not be started: CreateProcess error " + std::to_string(error);
}

HANDLE asHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

DWORD attributesOf(const std::string& path) {
    return ::GetFileAttributesW(widen(path).c_str());
}

std::string systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 ? std::wstring(text, length) : std::wstring();
    if (text != nullptr) ::LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L'.')) {
        wide.pop_back();
    }
    return wide.empty() ? "system error " + std::to_string(error) : narrow(wide);
}

// New contents written beside the target, flushed with FlushFileBuffers and moved over it.
class Win32Replacement final : public ReplacementFile {
  public:
    Win32Replacement(HANDLE file, std::string target, std::string temporary)
        : file_(file), target_(std::move(target)), temporary_(std::move(temporary)) {}
    ~Win32Replacement() override { discard(); }

    bool write(const char* data, std::size_t size) override {
        if (file_ == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE);
        while (size > 0) {
            const DWORD piece = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
            DWORD written = 0;
            if (!::WriteFile(file_, data, piece, &written, nullptr)) return fail(::GetLastError());
            if (written == 0) return fail(ERROR_DISK_FULL);
            data += written;
            size -= written;
        }
        return true;
    }

    bool commit() override {
        if (file_ == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE);
        const bool flushed = ::FlushFileBuffers(file_) != 0;
        const DWORD flushError = ::GetLastError();
        const bool closed = ::CloseHandle(file_) != 0;
        const DWORD closeError = ::GetLastError();
        file_ = INVALID_HANDLE_VALUE;
        if (!flushed || !closed) {
            removeTemporary();
            return fail(!flushed ? flushError : closeError);
        }
        if (!::MoveFileExW(widen(temporary_).c_str(), widen(target_).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const DWORD error = ::GetLastError();
            removeTemporary();
            return fail(error);
        }
        temporary_.clear();
        return true;
    }

    void discard() override {
        if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        removeTemporary();
    }

  private:
    bool fail(DWORD error) {
        reason_ = systemMessage(error);
        return false;
    }
    void removeTemporary() {
        if (temporary_.empty()) return;
        ::DeleteFileW(widen(temporary_).c_str());
        temporary_.clear();
    }

    HANDLE file_;
    std::string target_;
    std::string temporary_;
};

// Exception statuses (access violation 0xC0000005, stack overflow, ...) have the two top bits
// set; a program's own exit codes do not reach that range.
bool isExceptionStatus(DWORD code) {
    return (code & 0xC0000000u) == 0xC0000000u;
}

}  // namespace

Win32SystemServices::~Win32SystemServices() {
    releaseInstanceLock();
    unlockProgramFolder();
    if (job_ != nullptr) ::CloseHandle(job_);
}

// --- processes -------------------------------------------------------------------------------

bool Win32SystemServices::startProcess(const std::string& application,
                                       const std::string& commandLine, bool highPriority,
                                       ProcessHandle& handle) {
    return startCapturedProcess(application, commandLine, highPriority, {}, handle);
}

bool Win32SystemServices::startCapturedProcess(const std::string& application,
                                               const std::string& commandLine, bool highPriority,
                                               const std::string& errorFile,
                                               ProcessHandle& handle) {
    handle = {};
    const std::wstring program = widen(application);
    // CreateProcessW may write into the command line, so it gets its own buffer.
    std::wstring line = widen(commandLine);
    line.push_back(L'\0');
    // The standard error goes to the file, and that handle is the only one the child inherits.
    HANDLE errorHandle = INVALID_HANDLE_VALUE;
    if (!errorFile.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        errorHandle = ::CreateFileW(widen(errorFile).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    const bool capture = errorHandle != INVALID_HANDLE_VALUE;
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    std::vector<char> attributeBuffer;
    DWORD flags = (highPriority ? HIGH_PRIORITY_CLASS : 0) | CREATE_SUSPENDED;
    if (capture) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        attributeBuffer.resize(size);
        startup.lpAttributeList =
            reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeBuffer.data());
        if (::InitializeProcThreadAttributeList(startup.lpAttributeList, 1, 0, &size) &&
            ::UpdateProcThreadAttribute(startup.lpAttributeList, 0,
                                        PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &errorHandle,
                                        sizeof errorHandle, nullptr, nullptr)) {
            startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
            startup.StartupInfo.hStdError = errorHandle;
            flags |= EXTENDED_STARTUPINFO_PRESENT;
        } else {
            startup.lpAttributeList = nullptr;
        }
    }
    const bool inheritHandles = startup.lpAttributeList != nullptr;
    // A program without a console of its own would show the converter's console window.
    if (::GetConsoleWindow() == nullptr) flags |= CREATE_NO_WINDOW;
    PROCESS_INFORMATION info{};
    const BOOL started =
        ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, inheritHandles, flags,
                         nullptr, nullptr, &startup.StartupInfo, &info);
    const DWORD startError = ::GetLastError();
    if (startup.lpAttributeList != nullptr)
        ::DeleteProcThreadAttributeList(startup.lpAttributeList);
    if (capture) ::CloseHandle(errorHandle);
    if (!started) {
        lastStartError_ = startFailure(startError);
        return false;
    }
    if (job_ == nullptr) {
        job_ = ::CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (job_ != nullptr) {
            ::SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits,
                                      sizeof limits);
        }
    }
    // Where the job cannot take it (an outer job that forbids it), the converter still runs.
    if (job_ != nullptr) ::AssignProcessToJobObject(job_, info.hProcess);
    ::ResumeThread(info.hThread);
    lastStartError_.clear();
    handle.process = reinterpret_cast<std::intptr_t>(info.hProcess);
    handle.thread = reinterpret_cast<std::intptr_t>(info.hThread);
    return true;
}

ProcessStatus Win32SystemServices::pollProcess(ProcessHandle& handle) {
    if (handle.process == 0) return ProcessStatus::QueryFailed;
    // Whether it has ended first, its code after: asked the other way round, a program that ends
    // between the two questions would pass for one that ended normally, whatever its status.
    // (Its code alone cannot tell either: a program may end with the code STILL_ACTIVE itself.)
    switch (::WaitForSingleObject(asHandle(handle.process), 0)) {
        case WAIT_TIMEOUT:
            return ProcessStatus::Running;
        case WAIT_OBJECT_0:
            break;
        default:
            return ProcessStatus::QueryFailed;
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(asHandle(handle.process), &code)) return ProcessStatus::QueryFailed;
    return isExceptionStatus(code) ? ProcessStatus::Abnormal : ProcessStatus::Exited;
}

bool Win32SystemServices::killProcess(ProcessHandle& handle) {
    if (handle.process == 0) return false;
    // The status it then ends with counts as abnormal, like a crash.
    return ::TerminateProcess(asHandle(handle.process), 0xC000013Au) != 0;
}

void Win32SystemServices::releaseProcess(ProcessHandle& handle) {
    if (handle.process != 0) ::CloseHandle(asHandle(handle.process));
    if (handle.thread != 0) ::CloseHandle(asHandle(handle.thread));
    handle = {};
}

// --- files and folders -----------------------------------------------------------------------

std::string Win32SystemServices::shortFolderPath(const std::string& folder) {
    const std::wstring wide = widen(folder);
    const DWORD length = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (length == 0) return folder;
    std::vector<wchar_t> buffer(length);
    const DWORD written = ::GetShortPathNameW(wide.c_str(), buffer.data(), length);
    if (written == 0 || written >= length) return folder;
    return narrow(std::wstring(buffer.data(), written));
}

std::unique_ptr<ReplacementFile> Win32SystemServices::beginReplace(const std::string& path,
                                                                   std::string& reason) {
    const std::string temporary = replacementPath(path);
    HANDLE file = ::CreateFileW(widen(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = systemMessage(::GetLastError());
        return nullptr;
    }
    return std::make_unique<Win32Replacement>(file, path, temporary);
}

bool Win32SystemServices::copyFile(const std::string& from, const std::string& to) {
    return ::CopyFileW(widen(from).c_str(), widen(to).c_str(), FALSE) != 0;
}

bool Win32SystemServices::deleteFile(const std::string& path) {
    return ::DeleteFileW(widen(path).c_str()) != 0;
}

bool Win32SystemServices::fileExists(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32SystemServices::folderExists(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32SystemServices::createFolders(const std::string& path) {
    // SHCreateDirectoryExW wants a full path.
    const std::wstring wide = widen(path);
    const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return false;
    std::vector<wchar_t> full(length);
    if (::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr) == 0) return false;
    ::SHCreateDirectoryExW(nullptr, full.data(), nullptr);
    return folderExists(path);
}

std::string Win32SystemServices::currentFolder() {
    const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
    if (length == 0) return std::string();
    std::vector<wchar_t> buffer(length);
    const DWORD written = ::GetCurrentDirectoryW(length, buffer.data());
    if (written == 0 || written >= length) return std::string();
    return narrow(std::wstring(buffer.data(), written));
}

std::int64_t Win32SystemServices::nowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// --- registry --------------------------------------------------------------------------------

RegistryResult Win32SystemServices::writeUserDword(const std::string& keyPath,
                                                   const std::string& valueName,
                                                   std::uint32_t value) {
    // The key is given from the root, "\Software\...", which RegCreateKeyExW does not accept.
    const std::size_t start = keyPath.find_first_not_of('\\');
    const std::wstring key =
        widen(start == std::string::npos ? std::string() : keyPath.substr(start));
    HKEY opened = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &opened, nullptr) != ERROR_SUCCESS) {
        return RegistryResult::KeyNotOpened;
    }
    const DWORD data = value;
    const LSTATUS written = ::RegSetValueExW(opened, widen(valueName).c_str(), 0, REG_DWORD,
                                             reinterpret_cast<const BYTE*>(&data), sizeof data);
    ::RegCloseKey(opened);
    return written == ERROR_SUCCESS ? RegistryResult::Ok : RegistryResult::WriteFailed;
}

std::optional<std::string> Win32SystemServices::storedText(const std::string& text) {
    return ansiFromUtf8(text);
}

std::string Win32SystemServices::readableStoredText(std::string_view text) {
    return readableAnsiFromUtf8(text);
}

std::string Win32SystemServices::textFromStored(const std::string& bytes) {
    const std::wstring wide = wideFromCodePage(CP_ACP, bytes);
    return narrow(wide);
}

void Win32SystemServices::queueForHandheldInstall(const std::string&) {
    // HotSync Manager installs what the registry flag names; there is no queue to fill.
}

// --- single instance and beep ----------------------------------------------------------------

bool Win32SystemServices::acquireInstanceLock(const std::string& name) {
    releaseInstanceLock();
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, widen(name).c_str());
    if (mutex == nullptr) {
        // A lock made by an elevated copy exists but may not be opened: another instance runs.
        // Any other failure tells nothing about another instance; the program runs.
        return ::GetLastError() != ERROR_ACCESS_DENIED;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return false;
    }
    mutex_ = mutex;
    return true;
}

void Win32SystemServices::releaseInstanceLock() {
    if (mutex_ == nullptr) return;
    ::ReleaseMutex(static_cast<HANDLE>(mutex_));
    ::CloseHandle(static_cast<HANDLE>(mutex_));
    mutex_ = nullptr;
}

FolderLock Win32SystemServices::tryLockProgramFolder(const std::string& programFolder) {
    unlockProgramFolder();
    std::wstring full = widen(programFolder);
    const DWORD length = ::GetFullPathNameW(full.c_str(), 0, nullptr, nullptr);
    if (length > 0) {
        std::vector<wchar_t> buffer(length);
        const DWORD written = ::GetFullPathNameW(full.c_str(), length, buffer.data(), nullptr);
        if (written > 0 && written < length) full.assign(buffer.data(), written);
    }
    // Folder names ignore letter case, so the lock's name does too.
    ::CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    std::uint64_t hash = 1469598103934665603ull;
    for (const wchar_t c : full) {
        hash ^= static_cast<std::uint64_t>(c);
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    ::swprintf(name, 64, L"RefquillFolder-%016llx", static_cast<unsigned long long>(hash));
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
    if (mutex == nullptr) return FolderLock::Acquired;  // as for the instance lock
    switch (::WaitForSingleObject(mutex, 0)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // its holder died: the lock is ours now
            folderMutex_ = mutex;
            return FolderLock::Acquired;
        default:
            ::CloseHandle(mutex);
            return FolderLock::HeldByAnother;
    }
}

void Win32SystemServices::unlockProgramFolder() {
    if (folderMutex_ == nullptr) return;
    ::ReleaseMutex(static_cast<HANDLE>(folderMutex_));
    ::CloseHandle(static_cast<HANDLE>(folderMutex_));
    folderMutex_ = nullptr;
}

void Win32SystemServices::beep(int frequencyHz, int durationMs) {
    ::Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(durationMs));
}

// --- entry points ----------------------------------------------------------------------------

std::unique_ptr<SystemServices> createSystemServices() {
    return std::make_unique<Win32SystemServices>();
}

std::string executablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    while (true) {
        const DWORD written =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (written == 0) return std::string();
        if (written < buffer.size()) return narrow(std::wstring(buffer.data(), written));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace rq
