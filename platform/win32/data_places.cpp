// SPDX-License-Identifier: MIT
// The per-user data folder and the owner test of a folder on Windows.
#include <windows.h>

#include <string>

#include "base/path.h"
#include "platform/data_folder.h"
#include "platform/win32/text_codes.h"

namespace rq {

namespace {
std::wstring widenText(const std::string& text) {
    return wideFromUtf8(text);
}

std::string narrowText(const std::wstring& wide) {
    return utf8FromWide(wide);
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

const char* const kPerUserDataFolderHelp = "%LOCALAPPDATA%\\Refquill";

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
