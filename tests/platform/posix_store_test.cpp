// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/file_replace.h"
#include "platform/posix/posix_system_services.h"
#include "platform/posix/registry_store.h"
#include "support/files.h"

namespace rq {
namespace {

using test::holdsReplacementFile;
using test::readFile;
using test::TempFolder;
using test::writeFile;

const char* const kKey = "\\Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager";

TEST(RegistryStoreText, NewStoreHoldsHeaderSectionAndValue) {
    EXPECT_EQ(setRegistryDword("", kKey, "Install0000", 1).value(),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager]\r\n"
              "\"Install0000\"=dword:00000001\r\n"
              "\r\n");
}

TEST(RegistryStoreText, UpdatesInPlaceAndKeepsEverythingElse) {
    const std::string before =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
        "\"Install0000\"=dword:00000007\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager]\r\n"
        "\"Name\"=\"Palm user\"\r\n"
        "\"install0000\"=dword:00000000\r\n"
        "\"Blob\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Later]\r\n"
        "@=\"default\"\r\n";
    std::string expected = before;
    expected.replace(expected.find("\"install0000\"=dword:00000000"), 28,
                     "\"install0000\"=dword:00000001");
    EXPECT_EQ(setRegistryDword(before, kKey, "Install0000", 1).value(), expected);

    // A new value lands at the end of its own section, before the blank line.
    std::string added = before;
    added.insert(added.find("\r\n\r\n[HKEY_CURRENT_USER\\Software\\Later]") + 2,
                 "\"Install1234\"=dword:0000abcd\r\n");
    EXPECT_EQ(setRegistryDword(before, kKey, "Install1234", 0xabcd).value(), added);

    // A new key goes to the end.
    const std::string withKey = setRegistryDword(before, "Software\\New\\", "V", 2).value();
    EXPECT_EQ(withKey,
              before + "\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n\"V\"=dword:00000002\r\n\r\n");
}

TEST(RegistryStoreText, ReplacesAMultiLineValueWhole) {
    const std::string before =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n"
        "\"X\"=hex:01,\\\n  02,\\\n  03\n\"Y\"=dword:00000001\n";
    EXPECT_EQ(setRegistryDword(before, "K", "x", 5).value(),
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n"
              "\"X\"=dword:00000005\r\n\"Y\"=dword:00000001\r\n");
}

TEST(RegistryStoreText, EscapedNamesAndForeignText) {
    const std::string text = setRegistryDword("", "K", "a\"b\\c", 0xffffffffu).value();
    EXPECT_NE(text.find("\"a\\\"b\\\\c\"=dword:ffffffff\r\n"), std::string::npos);
    EXPECT_EQ(setRegistryDword(text, "k", "A\"B\\C", 3).value(),
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n"
              "\"a\\\"b\\\\c\"=dword:00000003\r\n\r\n");
    EXPECT_FALSE(setRegistryDword("not a registry export\n", "K", "V", 1).has_value());
}

class UserStore : public ::testing::Test {
  protected:
    TempFolder home_;
    PosixSystemServices system_{PosixFolders{home_.path(), "", home_.path()}};
};

TEST_F(UserStore, WritesIntoTheConfigFolderAndUpdatesInPlace) {
    const std::string store = home_ / ".config/Refquill/registry.reg";
    EXPECT_EQ(system_.registryStorePath(), store);
    ASSERT_EQ(system_.writeUserDword(kKey, "Install0000", 1), RegistryResult::Ok);
    const std::string first = readFile(store);
    EXPECT_EQ(first, setRegistryDword("", kKey, "Install0000", 1).value());

    ASSERT_EQ(system_.writeUserDword(kKey, "Install0042", 1), RegistryResult::Ok);
    ASSERT_EQ(system_.writeUserDword(kKey, "Install0000", 1), RegistryResult::Ok);
    const std::string second = readFile(store);
    EXPECT_EQ(second, setRegistryDword(first, kKey, "Install0042", 1).value());
    // No temporary file is left beside the store.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home_ / ".config/Refquill"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(UserStore, ConfigHomeFromTheEnvironmentOrInjected) {
    TempFolder config;
    PosixSystemServices injected{PosixFolders{home_.path(), config.path(), home_.path()}};
    EXPECT_EQ(injected.registryStorePath(), config / "Refquill/registry.reg");
    ASSERT_EQ(::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1), 0);
    PosixSystemServices fromEnvironment{PosixFolders{home_.path(), "", ""}};
    EXPECT_EQ(fromEnvironment.registryStorePath(), config / "Refquill/registry.reg");
    ASSERT_EQ(::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1), 0);
    EXPECT_EQ(fromEnvironment.registryStorePath(), home_ / ".config/Refquill/registry.reg");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(UserStore, FailuresAreReportedAndForeignFilesKept) {
    // A file where the store's folder should be: the key cannot be opened.
    writeFile(home_ / ".config", "in the way");
    EXPECT_EQ(system_.writeUserDword(kKey, "Install0000", 1), RegistryResult::KeyNotOpened);
    std::filesystem::remove(home_ / ".config");

    std::filesystem::create_directories(home_ / ".config/Refquill");
    writeFile(home_ / ".config/Refquill/registry.reg", "somebody else's notes\n");
    EXPECT_EQ(system_.writeUserDword(kKey, "Install0000", 1), RegistryResult::KeyNotOpened);
    EXPECT_EQ(readFile(home_ / ".config/Refquill/registry.reg"), "somebody else's notes\n");

    // Two writers never share a temporary file, and neither leaves one behind.
    std::filesystem::remove(home_ / ".config/Refquill/registry.reg");
    ASSERT_EQ(system_.writeUserDword(kKey, "Install0000", 1), RegistryResult::Ok);
    EXPECT_NE(replacementPath(home_ / "x"), replacementPath(home_ / "x"));
    EXPECT_FALSE(holdsReplacementFile(home_ / ".config/Refquill"));
}

class HandheldQueue : public ::testing::Test {
  protected:
    TempFolder home_;
    PosixSystemServices system_{PosixFolders{home_.path(), "", home_.path()}};
};

TEST_F(HandheldQueue, NothingWithoutAJPilotFolder) {
    system_.queueForHandheldInstall(home_ / "RQ-refs.PDB");
    EXPECT_FALSE(std::filesystem::exists(home_ / ".jpilot"));
}

TEST_F(HandheldQueue, AppendsAbsolutePathsOnceEach) {
    std::filesystem::create_directories(home_ / ".jpilot");
    system_.queueForHandheldInstall(home_ / "Palm/RQ-My refs.PDB");
    system_.queueForHandheldInstall(home_ / "Palm/RQ-other.PDB");
    system_.queueForHandheldInstall(home_ / "Palm/./RQ-My refs.PDB");
    EXPECT_EQ(readFile(home_ / ".jpilot/jpilot.install"),
              home_ / "Palm/RQ-My refs.PDB\n" + home_ / "Palm/RQ-other.PDB\n");
}

TEST_F(HandheldQueue, RelativePathsAndExistingQueue) {
    std::filesystem::create_directories(home_ / ".jpilot");
    // J-Pilot's own lines stay; a last line without its line end gets one first.
    writeFile(home_ / ".jpilot/jpilot.install", "/data/Memo.pdb\n/data/Todo.pdb");
    system_.queueForHandheldInstall("relative.PDB");
    const std::string absolute = (std::filesystem::current_path() / "relative.PDB").string();
    system_.queueForHandheldInstall("/data/Todo.pdb");
    EXPECT_EQ(readFile(home_ / ".jpilot/jpilot.install"),
              "/data/Memo.pdb\n/data/Todo.pdb\n" + absolute + "\n");
}

}  // namespace
}  // namespace rq
