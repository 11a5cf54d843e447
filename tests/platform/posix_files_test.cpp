// SPDX-License-Identifier: MIT
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <functional>

#include "base/path.h"
#include "engine/command_line.h"
#include "engine/file_replace.h"
#include "platform/platform.h"
#include "platform/posix/posix_system_services.h"
#include "support/files.h"

namespace rq {
namespace {

using test::holdsReplacementFile;
using test::readFile;
using test::TempFolder;
using test::writeFile;

TEST(PosixFiles, CopyOverwritesAndFailsWithoutSource) {
    TempFolder temp;
    PosixSystemServices system;
    writeFile(temp / "a", "new contents");
    writeFile(temp / "b", "an older and longer text");
    EXPECT_TRUE(system.copyFile(temp / "a", temp / "b"));
    EXPECT_EQ(readFile(temp / "b"), "new contents");
    EXPECT_TRUE(system.copyFile(temp / "a", temp / "c"));
    EXPECT_EQ(readFile(temp / "c"), "new contents");
    EXPECT_FALSE(system.copyFile(temp / "missing", temp / "d"));
    EXPECT_FALSE(system.fileExists(temp / "d"));
    EXPECT_FALSE(system.copyFile(temp / "a", temp / "no folder/x"));
}

TEST(PosixFiles, DeleteAndExistenceTests) {
    TempFolder temp;
    PosixSystemServices system;
    writeFile(temp / "f", "x");
    EXPECT_TRUE(system.fileExists(temp / "f"));
    EXPECT_FALSE(system.folderExists(temp / "f"));
    EXPECT_TRUE(system.folderExists(temp.path()));
    EXPECT_FALSE(system.fileExists(temp.path()));
    EXPECT_TRUE(system.deleteFile(temp / "f"));
    EXPECT_FALSE(system.fileExists(temp / "f"));
    EXPECT_FALSE(system.deleteFile(temp / "f"));
    // A folder is not a file and is not deleted as one.
    EXPECT_FALSE(system.deleteFile(temp.path()));
    EXPECT_TRUE(system.folderExists(temp.path()));
}

TEST(PosixFiles, CreateFoldersMakesMissingParents) {
    TempFolder temp;
    PosixSystemServices system;
    const std::string deep = temp / "one/two words/three";
    EXPECT_TRUE(system.createFolders(deep));
    EXPECT_TRUE(system.folderExists(deep));
    EXPECT_TRUE(system.createFolders(deep));  // already there
    writeFile(temp / "file", "x");
    EXPECT_FALSE(system.createFolders(temp / "file/below"));
}

TEST(PosixFiles, CurrentFolderClockAndExecutable) {
    PosixSystemServices system;
    EXPECT_EQ(system.currentFolder(), std::filesystem::current_path().string());
    const std::int64_t before = std::time(nullptr);
    const std::int64_t now = system.nowSeconds();
    EXPECT_GE(now, before);
    EXPECT_LE(now, std::time(nullptr));
    const std::string self = executablePath();
    EXPECT_EQ(fileName(self), "platform_tests");
    EXPECT_TRUE(std::filesystem::equivalent(self, "/proc/self/exe"));
    EXPECT_NE(createSystemServices(), nullptr);
}

class ShortFolderPath : public ::testing::Test {
  protected:
    TempFolder home_;
    TempFolder runtime_;
    PosixSystemServices system_{PosixFolders{home_.path(), "", runtime_.path()}};
};

TEST_F(ShortFolderPath, FolderWithoutBlanksIsUnchanged) {
    EXPECT_EQ(system_.shortFolderPath(home_.path()), home_.path());
    EXPECT_EQ(system_.shortFolderPath("/no/such/folder"), "/no/such/folder");
}

TEST_F(ShortFolderPath, FolderWithBlanksGetsABlankFreePathToTheSameFolder) {
    const std::string program = home_ / "Program Files/Ref quill";
    ASSERT_TRUE(system_.createFolders(joinPath(program, "RQWork")));
    const std::string shortForm = system_.shortFolderPath(program);
    EXPECT_EQ(shortForm.find_first_of(" \t"), std::string::npos) << shortForm;
    EXPECT_TRUE(std::filesystem::equivalent(shortForm, program));

    // The driver's way: work paths built on the short form, unquoted on a command line, and
    // files copied to them.
    const std::string input = joinPath(joinPath(shortForm, "RQWork"), "input.tmp");
    const std::string output = joinPath(joinPath(shortForm, "RQWork"), "out.tmp");
    const auto arguments = splitCommandLine(quoteProgramName(program + "/jconvpro.exe") + " 1 " +
                                            input + " " + output + " \"RQ-My refs\" " + input);
    ASSERT_EQ(arguments.size(), 6u);
    EXPECT_EQ(arguments[2], input);
    EXPECT_EQ(arguments[3], output);
    EXPECT_EQ(arguments[4], "RQ-My refs");

    test::writeFile(program + "/source.csv", "\"a\",\"b\"\r\n");
    EXPECT_TRUE(system_.copyFile(program + "/source.csv", input));
    EXPECT_EQ(readFile(program + "/RQWork/input.tmp"), "\"a\",\"b\"\r\n");
    writeFile(program + "/RQWork/out.tmp", "written by the converter");
    EXPECT_EQ(readFile(output), "written by the converter");
    EXPECT_TRUE(system_.deleteFile(output));
    EXPECT_FALSE(system_.fileExists(program + "/RQWork/out.tmp"));

    // The same folder gives the same short form; another folder another one.
    EXPECT_EQ(system_.shortFolderPath(program), shortForm);
    const std::string other = home_ / "Other folder";
    ASSERT_TRUE(system_.createFolders(other));
    const std::string otherShort = system_.shortFolderPath(other);
    EXPECT_NE(otherShort, shortForm);
    EXPECT_TRUE(std::filesystem::equivalent(otherShort, other));
    EXPECT_TRUE(std::filesystem::equivalent(shortForm, program));
}

TEST_F(ShortFolderPath, RuntimeFolderWithBlanksIsNotUsed) {
    const std::string blanked = home_ / "run time";
    ASSERT_TRUE(system_.createFolders(blanked));
    PosixSystemServices system{PosixFolders{home_.path(), "", blanked}};
    const std::string program = home_ / "My Programs";
    ASSERT_TRUE(system.createFolders(program));
    const std::string shortForm = system.shortFolderPath(program);
    EXPECT_EQ(shortForm.find(' '), std::string::npos) << shortForm;
    EXPECT_TRUE(std::filesystem::equivalent(shortForm, program));
}

}  // namespace
}  // namespace rq

namespace rq {
namespace {

// Replacing a file: complete new contents or the old file untouched, never a half of each, and
// no temporary file left either way. Devices are written, not replaced.
TEST(PosixFiles, ReplacementIsWholeOrNothing) {
    struct Case {
        const char* name;
        std::function<std::string(const TempFolder&)> prepare;  // the target's path
        bool ok;
        const char* reasonPart;     // in the failure's reason
        const char* contentsAfter;  // of the target; nullptr when it must not be a file
    };
    const Case cases[] = {
        {"new file", [](const TempFolder& t) { return t / "new.txt"; }, true, "", "NEW"},
        {"old file",
         [](const TempFolder& t) {
             writeFile(t / "old.txt", "OLD CONTENTS");
             return t / "old.txt";
         },
         true, "", "NEW"},
        {"missing folder", [](const TempFolder& t) { return t / "none/x.txt"; }, false,
         "No such file", nullptr},
        {"folder as target",
         [](const TempFolder& t) {
             std::filesystem::create_directory(t / "dir");
             return t / "dir";
         },
         false, "directory", nullptr},
        // The link stays a link, also one that points to no file yet.
        {"link to a file that does not exist yet",
         [](const TempFolder& t) {
             std::filesystem::create_symlink(t / "target.txt", t / "link.txt");
             return t / "link.txt";
         },
         true, "", "NEW"},
        {"full device", [](const TempFolder&) { return std::string("/dev/full"); }, false,
         "No space", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        PosixSystemServices system;
        const std::string target = c.prepare(temp);
        if (target == "/dev/full" && !std::filesystem::exists(target)) continue;
        const ReplaceResult result = replaceFileContents(system, target, "NEW");
        EXPECT_EQ(static_cast<bool>(result), c.ok) << result.failure;
        EXPECT_NE(result.failure.find(c.reasonPart), std::string::npos) << result.failure;
        if (c.contentsAfter != nullptr) {
            EXPECT_EQ(readFile(target), c.contentsAfter);
        }
        if (target != "/dev/full") {
            // Nothing beside the target but what the case put there.
            EXPECT_FALSE(holdsReplacementFile(temp.path()));
            if (std::filesystem::is_symlink(target)) {
                EXPECT_EQ(readFile(temp / "target.txt"), "NEW");
            }
        }
    }
    // The device is still the device.
    struct stat info {};
    if (::stat("/dev/full", &info) == 0) {
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
}

TEST(PosixFiles, ReplacementKeepsTheModeAndTheLink) {
    TempFolder temp;
    PosixSystemServices system;
    writeFile(temp / "real.txt", "OLD");
    ::chmod((temp / "real.txt").c_str(), 0640);
    std::filesystem::create_symlink(temp / "real.txt", temp / "link.txt");
    ASSERT_TRUE(replaceFileContents(system, temp / "link.txt", "NEW"));
    EXPECT_TRUE(std::filesystem::is_symlink(temp / "link.txt"));
    EXPECT_EQ(readFile(temp / "real.txt"), "NEW");
    struct stat info {};
    ASSERT_EQ(::stat((temp / "real.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace rq
