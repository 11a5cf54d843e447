// The per-user data folder and the owner test of a folder on Windows.
#include <windows.h>

#include <string>

#include "engine/path.h"
#include "platform/data_folder.h"

namespace rq {

namespace {
constexpr UINT kCodePage = 1252;

std::wstring widenText(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(kCodePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(kCodePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string narrowText(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    const int length =
        ::WideCharToMultiByte(kCodePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(kCodePage, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}
}  // namespace

std::string environmentText(const char* name) {
    const std::wstring wideName = widenText(name);
    const DWORD needed = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (needed == 0) return std::string();
    std::wstring value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
    value.resize(length < needed ? length : 0);
    return narrowText(value);
}

std::string perUserDataFolder() {
    const std::string local = environmentText("LOCALAPPDATA");
    return local.empty() ? std::string() : joinPath(local, "Refquill");
}

bool folderIsTheUsers(const std::string& folder) {
    // The access rights of a folder are known only by trying: a 64-bit program under
    // "C:\Program Files" gets no file virtualisation, so a failed create is the answer.
    const std::wstring probe = widenText(joinPath(folder, "Refquill write test.tmp"));
    const HANDLE file =
        ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    // A probe left behind by a run that was killed still shows that files can be made here.
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_EXISTS;
    ::CloseHandle(file);
    return true;
}

}  // namespace rq
