// SPDX-License-Identifier: MIT
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/command_line.h"
#include "support/test_system.h"

namespace rq::test {

namespace {
std::wstring wide(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

std::string readAll(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

HANDLE openForChild(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    const std::size_t eq = a.find(L'=', 1);
    return eq != std::wstring::npos && b.size() > eq && b[eq] == L'=' &&
           ::CompareStringOrdinal(a.c_str(), static_cast<int>(eq), b.c_str(), static_cast<int>(eq),
                                  TRUE) == CSTR_EQUAL;
}

// The test's environment with `extra` added or replaced, as CreateProcessW wants it.
std::wstring environmentBlock(const std::vector<std::string>& extra) {
    std::vector<std::wstring> added;
    for (const std::string& e : extra) added.push_back(wide(e));
    std::wstring block;
    wchar_t* strings = ::GetEnvironmentStringsW();
    for (const wchar_t* e = strings; *e != L'\0'; e += std::wcslen(e) + 1) {
        bool replaced = false;
        for (const std::wstring& a : added) replaced = replaced || sameName(a, e);
        if (!replaced) block.append(e).push_back(L'\0');
    }
    ::FreeEnvironmentStringsW(strings);
    for (const std::wstring& a : added) block.append(a).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}
}  // namespace

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& captureFolder,
                      const std::vector<std::string>& environment) {
    const std::wstring outPath = wide(captureFolder + "/stdout");
    const std::wstring errPath = wide(captureFolder + "/stderr");
    std::wstring line = wide(joinCommandLine(arguments));
    std::wstring env = environmentBlock(environment);

    ProgramRun run;
    HANDLE out = openForChild(outPath);
    HANDLE err = openForChild(errPath);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info{};
    const BOOL started =
        ::CreateProcessW(wide(arguments.at(0)).c_str(), line.data(), nullptr, nullptr, TRUE,
                         CREATE_UNICODE_ENVIRONMENT, env.data(), nullptr, &startup, &info);
    ::CloseHandle(out);
    ::CloseHandle(err);
    if (!started) return run;
    ::WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(info.hProcess, &code)) run.status = static_cast<int>(code);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
    run.out = readAll(outPath);
    run.err = readAll(errPath);
    return run;
}

void setEnvironment(const std::string& name, const std::string& value) {
    ::_wputenv_s(wide(name).c_str(), wide(value).c_str());
}

std::optional<std::uint32_t> storedUserDword(const std::string& keyPath,
                                             const std::string& valueName, const std::string&) {
    DWORD data = 0;
    DWORD size = sizeof data;
    const std::wstring key = wide(keyPath.substr(keyPath.find_first_not_of('\\')));
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), wide(valueName).c_str(), RRF_RT_REG_DWORD,
                       nullptr, &data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

void forgetUserDword(const std::string& keyPath, const std::string& valueName, const std::string&) {
    const std::wstring key = wide(keyPath.substr(keyPath.find_first_not_of('\\')));
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), wide(valueName).c_str());
}

std::string folderAlias(const std::string& folder, const std::string&) {
    const std::wstring wideFolder = wide(folder);
    std::wstring shortForm(MAX_PATH, L'\0');
    const DWORD length = ::GetShortPathNameW(wideFolder.c_str(), shortForm.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    shortForm.resize(length);
    const std::u8string text = std::filesystem::path(shortForm).u8string();
    return std::string(text.begin(), text.end());
}

std::string programFilesFolder() {
    const wchar_t* folder = ::_wgetenv(L"ProgramFiles");
    if (folder == nullptr) return std::string();
    const std::u8string text = std::filesystem::path(folder).u8string();
    return std::string(text.begin(), text.end());
}

const bool kPlatformStoresAnsiNames = true;

const bool kPlatformQueuesHandheldInstalls = false;

}  // namespace rq::test
