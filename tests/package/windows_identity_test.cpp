// SPDX-License-Identifier: MIT
// The Windows programs as Explorer and the loader see them: version information, the icon in
// the sizes Windows shows, and the manifest's settings.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/path.h"
#include "platform/platform.h"
#include "platform/win32/text_codes.h"

namespace rq {
namespace {

struct Program {
    const char* file;
    const char* description;
    bool window;
};

std::wstring besideUs(const char* file) {
    return wideFromUtf8(joinPath(folderOf(executablePath()), file));
}

std::wstring versionValue(const std::vector<char>& info, const wchar_t* name) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return {};
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

// The resource's bytes; empty when the program has none.
std::string resource(HMODULE module, LPCWSTR type, LPCWSTR name) {
    HRSRC found = ::FindResourceW(module, name, type);
    if (found == nullptr) return {};
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, found)));
    return std::string(data, ::SizeofResource(module, found));
}

class WindowsIdentity : public ::testing::TestWithParam<Program> {};

TEST_P(WindowsIdentity, VersionIconAndManifest) {
    const Program& program = GetParam();
    const std::wstring file = besideUs(program.file);
    if (program.window && ::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "built without the window program";
    }
    DWORD ignored = 0;
    std::vector<char> info(::GetFileVersionInfoSizeW(file.c_str(), &ignored));
    ASSERT_FALSE(info.empty()) << program.file << " has no version information";
    ASSERT_TRUE(
        ::GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    EXPECT_EQ(versionValue(info, L"ProductName"), L"Refquill");
    EXPECT_EQ(versionValue(info, L"CompanyName"), L"Refquill developers");
    EXPECT_EQ(versionValue(info, L"ProductVersion"), wideFromUtf8(RQ_VERSION));
    EXPECT_EQ(versionValue(info, L"FileVersion"), wideFromUtf8(RQ_VERSION));
    EXPECT_EQ(versionValue(info, L"FileDescription"), wideFromUtf8(program.description));
    EXPECT_EQ(versionValue(info, L"OriginalFilename"), wideFromUtf8(program.file));

    HMODULE module = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    // The icon group: an ICONDIR header and one 14-byte entry per size (width 0 means 256).
    const std::string icons =
        resource(module, MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(1));  // RT_GROUP_ICON
    std::vector<int> sizes;
    for (std::size_t at = 6; at + 14 <= icons.size(); at += 14) {
        const int side = static_cast<unsigned char>(icons[at]);
        sizes.push_back(side == 0 ? 256 : side);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64, 128, 256}));

    const std::string manifest =
        resource(module, MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));  // RT_MANIFEST
    ::FreeLibrary(module);
    const auto holds = [&manifest](const char* text) {
        return manifest.find(text) != std::string::npos;
    };
    EXPECT_TRUE(holds("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")) << "Windows 10 and 11";
    EXPECT_TRUE(holds("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_TRUE(
        holds("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/"
              "WindowsSettings\">true</longPathAware>"));
    EXPECT_TRUE(holds("level=\"asInvoker\""));
    EXPECT_EQ(holds(">PerMonitorV2, PerMonitor</dpiAwareness>"), program.window);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, WindowsIdentity,
    ::testing::Values(Program{"refquill.exe", "Refquill", true},
                      Program{"refquill-cli.exe", "Refquill command-line tool", false},
                      Program{"jconvpro.exe", "Refquill converter between CSV and JFile databases",
                              false}));

}  // namespace
}  // namespace rq
