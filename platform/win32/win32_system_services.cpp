#include "platform/win32/win32_system_services.h"

#include <shlobj.h>
#include <windows.h>

#include <ctime>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace rq {

namespace {

constexpr UINT kCodePage = 1252;

std::wstring widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(kCodePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(kCodePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    const int length =
        ::WideCharToMultiByte(kCodePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(kCodePage, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

HANDLE asHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

DWORD attributesOf(const std::string& path) {
    return ::GetFileAttributesW(widen(path).c_str());
}

}  // namespace

Win32SystemServices::~Win32SystemServices() {
    releaseInstanceLock();
}

// --- processes -------------------------------------------------------------------------------

bool Win32SystemServices::startProcess(const std::string& application,
                                       const std::string& commandLine, bool highPriority,
                                       ProcessHandle& handle) {
    handle = {};
    const std::wstring program = widen(application);
    // CreateProcessW may write into the command line, so it gets its own buffer.
    std::wstring line = widen(commandLine);
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const DWORD flags = highPriority ? HIGH_PRIORITY_CLASS : 0;
    if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                          nullptr, &startup, &info)) {
        return false;
    }
    handle.process = reinterpret_cast<std::intptr_t>(info.hProcess);
    handle.thread = reinterpret_cast<std::intptr_t>(info.hThread);
    return true;
}

ProcessStatus Win32SystemServices::pollProcess(ProcessHandle& handle) {
    if (handle.process == 0) return ProcessStatus::QueryFailed;
    DWORD code = 0;
    if (!::GetExitCodeProcess(asHandle(handle.process), &code)) return ProcessStatus::QueryFailed;
    if (code != STILL_ACTIVE) return ProcessStatus::Exited;
    // A program may end with the code STILL_ACTIVE itself; the process object knows better.
    switch (::WaitForSingleObject(asHandle(handle.process), 0)) {
        case WAIT_TIMEOUT:
            return ProcessStatus::Running;
        case WAIT_OBJECT_0:
            return ProcessStatus::Exited;
        default:
            return ProcessStatus::QueryFailed;
    }
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

void Win32SystemServices::queueForHandheldInstall(const std::string&) {
    // HotSync Manager installs what the registry flag names; there is no queue to fill.
}

// --- single instance and beep ----------------------------------------------------------------

bool Win32SystemServices::acquireInstanceLock(const std::string& name) {
    releaseInstanceLock();
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, widen(name).c_str());
    if (mutex == nullptr) {
        // No mutex at all tells nothing about another instance; the program runs.
        return true;
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
