// SPDX-License-Identifier: MIT
// The Win32 layer itself, run under Windows or Wine: names in and beyond Windows-1252, the
// short form of a folder with blanks, the registry, the named lock and process handles.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "base/native_path.h"
#include "base/path.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "platform/win32/text_codes.h"
#include "platform/win32/win32_system_services.h"

namespace rq {
namespace {

namespace fs = std::filesystem;

class Win32Folder : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = utf8Path(fs::temp_directory_path() / (std::string("rq-win32-") + info->name()));
        std::error_code error;
        fs::remove_all(nativePath(root), error);
        fs::create_directories(nativePath(root));
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(nativePath(root), error);
    }
    std::string root;
    Win32SystemServices system;
};

struct Case {
    const char* utf8;
    unsigned codePage;
    std::optional<std::string> stored;
};

TEST(Win32TextCodes, StoredNamesTakeTheCodePageOrNothing) {
    const Case cases[] = {
        {"Caf\xc3\xa9 \xe2\x82\xac", 1252, std::string("Caf\xe9 \x80")},
        {"\xe2\x80\x9cq\xe2\x80\x9d \xe2\x80\x93 \xe2\x80\xa6", 1252,
         std::string("\x93q\x94 \x96 \x85")},
        // No best fit: "Ł" must not become "L", Cyrillic must not become "?".
        {"\xc5\x81ukasz", 1252, std::nullopt},
        {"\xd0\x9f\xd1\x80\xd0\xb8", 1252, std::nullopt},
        {"?", 1252, std::string("?")},
        {"\xc5\x81ukasz", 1250, std::string("\xa3ukasz")},
        {"\xe2\x82\xac", 1250, std::string("\x80")},
        {"\xc3\xa9", 1250, std::string("\xe9")},
        {"\xd0\x9f\xd1\x80\xd0\xb8", 1251, std::string("\xcf\xf0\xe8")},
        {"\xc5\x81\xd0\x9f", CP_UTF8, std::string("\xc5\x81\xd0\x9f")},
        // Bytes that are not UTF-8 are no name the program made.
        {"Caf\xe9", 1252, std::nullopt},
        {"", 1252, std::string()},
    };
    for (const Case& c : cases) EXPECT_EQ(ansiFromUtf8(c.utf8, c.codePage), c.stored) << c.utf8;
}

TEST(Win32TextCodes, LogTextTakesTheCodePageAndMarksWhatItCannotHold) {
    const Case cases[] = {
        {"C:\\R\xc3\xa9"
         "f \xe2\x82\xac \xc5\x81\xc3\xb3"
         "d\xc5\xba",
         1252,
         std::string("C:\\R\xe9"
                     "f \x80 ?\xf3"
                     "d?")},
        {"\xc5\x81\xd0\x9f Caf\xe9", 1250, std::string("\xa3? Caf?")},
    };
    for (const Case& c : cases) EXPECT_EQ(readableAnsiFromUtf8(c.utf8, c.codePage), c.stored);
}

TEST_F(Win32Folder, FilesAndFoldersWithAnyName) {
    const char* names[] = {
        "plain",
        "Caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9crefs\xe2\x80\x9d",  // all in 1252
        "R\xc3\xa9"
        "f \xe2\x82\xac \xc5\x81\xc3\xb3"
        "d\xc5\xba",                                         // Ł, ź beyond it
        "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82",  // Cyrillic
    };
    for (const char* name : names) {
        const std::string folder = joinPath(joinPath(root, name), name);
        EXPECT_FALSE(system.folderExists(folder)) << name;
        EXPECT_TRUE(system.createFolders(folder)) << name;
        EXPECT_TRUE(system.folderExists(folder)) << name;
        EXPECT_FALSE(system.fileExists(folder)) << name;
        // The name on disk is the one asked for, not a stand-in.
        EXPECT_TRUE(fs::is_directory(fs::path(wideFromUtf8(folder)))) << name;

        const std::string file = joinPath(folder, std::string(name) + ".txt");
        FILE* out = openNativeFile(file, "wb");
        ASSERT_NE(out, nullptr) << name;
        std::fputs("bytes", out);
        std::fclose(out);
        EXPECT_TRUE(system.fileExists(file)) << name;
        EXPECT_FALSE(system.folderExists(file)) << name;
        const std::string copy = joinPath(folder, std::string("copy ") + name);
        EXPECT_TRUE(system.copyFile(file, copy)) << name;
        EXPECT_TRUE(system.fileExists(copy)) << name;
        EXPECT_TRUE(system.deleteFile(file)) << name;
        EXPECT_FALSE(system.fileExists(file)) << name;
        EXPECT_FALSE(system.deleteFile(file)) << name;

        // The current folder comes back as the same UTF-8 text.
        const std::string before = system.currentFolder();
        ASSERT_TRUE(::SetCurrentDirectoryW(wideFromUtf8(folder).c_str())) << name;
        EXPECT_EQ(system.currentFolder(), folder) << name;
        ::SetCurrentDirectoryW(wideFromUtf8(before).c_str());
    }
}

TEST_F(Win32Folder, ShortFormOfAFolderWithBlanksNamesTheSameFolder) {
    for (const char* name : {"Program Files Test",
                             "R\xc3\xa9"
                             "f \xe2\x82\xac \xc5\x81\xc3\xb3"
                             "d\xc5\xba"}) {
        const std::string folder = joinPath(root, name);
        ASSERT_TRUE(system.createFolders(folder));
        const std::string shortForm = system.shortFolderPath(folder);
        EXPECT_EQ(shortForm.find(' '), std::string::npos) << shortForm;
        FILE* out = openNativeFile(joinPath(folder, "probe.txt"), "wb");
        ASSERT_NE(out, nullptr);
        std::fclose(out);
        EXPECT_TRUE(system.fileExists(joinPath(shortForm, "probe.txt"))) << shortForm;
        // Stored in the strategy file, the short form needs no character beyond ASCII.
        EXPECT_TRUE(ansiFromUtf8(shortForm, 1252).has_value()) << shortForm;
    }
    // A folder that does not exist keeps its own form.
    const std::string missing = joinPath(root, "not here");
    EXPECT_EQ(system.shortFolderPath(missing), missing);
}

TEST(Win32Registry, ValueIsReadBack) {
    Win32SystemServices system;
    const std::string key = "\\Software\\Refquill Tests\\Caf\xc3\xa9";
    const std::wstring wideKey = wideFromUtf8(key.substr(1));
    ::RegDeleteTreeW(HKEY_CURRENT_USER, wideKey.c_str());
    for (std::uint32_t value : {1u, 0u, 0xFFFFFFFFu}) {
        ASSERT_EQ(system.writeUserDword(key, "Install0000", value), RegistryResult::Ok);
        DWORD data = 7;
        DWORD size = sizeof data;
        ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, wideKey.c_str(), L"Install0000",
                                 RRF_RT_REG_DWORD, nullptr, &data, &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(data, value);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, wideKey.c_str());
}

TEST(Win32Lock, HeldByOneOwnerAtATime) {
    Win32SystemServices first;
    Win32SystemServices second;
    const std::string name = "RefquillWin test " + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(first.acquireInstanceLock(name));
    EXPECT_FALSE(second.acquireInstanceLock(name));
    EXPECT_FALSE(second.acquireInstanceLock(name));
    first.releaseInstanceLock();
    EXPECT_TRUE(second.acquireInstanceLock(name));
    EXPECT_FALSE(first.acquireInstanceLock(name));
    second.releaseInstanceLock();
}

TEST(Win32Process, HandlesAreReleasedAndStartFailuresNamed) {
    Win32SystemServices system;
    const std::string program = executablePath();
    ASSERT_FALSE(program.empty());

    DWORD before = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &before));
    for (int run = 0; run < 3; ++run) {
        ProcessHandle handle;
        // The test program itself, asked only to list its tests: it ends at once.
        ASSERT_TRUE(
            system.startProcess(program, "\"" + program + "\" --gtest_list_tests", false, handle));
        EXPECT_NE(handle.process, 0);
        EXPECT_NE(handle.thread, 0);
        ProcessStatus status;
        while ((status = system.pollProcess(handle)) == ProcessStatus::Running) ::Sleep(10);
        EXPECT_EQ(status, ProcessStatus::Exited);
        system.releaseProcess(handle);
        EXPECT_EQ(handle.process, 0);
    }
    DWORD after = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &after));
    EXPECT_LE(after, before + 1);  // no handle per run is left open

    ProcessHandle none;
    EXPECT_FALSE(system.startProcess(joinPath(program + " gone", "jconvpro.exe"), "x", true, none));
    EXPECT_NE(system.lastStartError().find("CreateProcess error "), std::string::npos)
        << system.lastStartError();
}

// Polled without a pause, so that a poll often falls on the moment the crashed program ends: a
// crash must never be read as a normal end then.
TEST(Win32Process, ACrashIsAbnormalHoweverThePollFalls) {
    Win32SystemServices system;
    const std::string probe = joinPath(folderOf(executablePath()), "rq_crash_probe.exe");
    for (int run = 0; run < 20; ++run) {
        ProcessHandle handle;
        ASSERT_TRUE(system.startProcess(probe, "\"" + probe + "\"", false, handle))
            << system.lastStartError();
        ProcessStatus status;
        const ULONGLONG giveUp = ::GetTickCount64() + 30000;  // a broken poll must not hang
        while ((status = system.pollProcess(handle)) == ProcessStatus::Running &&
               ::GetTickCount64() < giveUp) {
        }
        EXPECT_EQ(status, ProcessStatus::Abnormal) << "run " << run;
        if (status == ProcessStatus::Running) system.killProcess(handle);
        system.releaseProcess(handle);
    }
}

// refquill-cli's text in a file: the UTF-8 bytes after what the stream held, and no escape
// codes. (The console side needs a terminal: tests/cli/console_test.sh.)
TEST(Win32Console, TextStaysUtf8InAFile) {
    const std::string text =
        "Caf\xc3\xa9 \xc5\x81\xc3\xb3"
        "d\xc5\xba \xe2\x80\x93 \xe6\x9d\xb1";

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("before ", file);
    writeText(file, text);
    EXPECT_FALSE(enableTerminalEscapes(file));
    std::rewind(file);
    char back[64] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, file), 7 + text.size());
    EXPECT_EQ(std::string(back), "before " + text);
    std::fclose(file);
}

}  // namespace
}  // namespace rq
