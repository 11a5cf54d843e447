// SPDX-License-Identifier: MIT
// The path rules of both systems, checked on either: the styles are values.
#include "base/path.h"

#include <gtest/gtest.h>

#include <string>

namespace rq {
namespace {

struct Split {
    const PathStyle* style;
    std::string path;
    std::string folder;  // splitPath(path).folder
    std::string name;    // fileName
    std::string base;    // baseName
    std::string ext;     // extension
    std::string folderOf;
};

TEST(PathRules, SplittingFollowsEachSystemsSeparators) {
    const PathStyle* win = &kWindowsPaths;
    const PathStyle* posix = &kPosixPaths;
    // Paths beyond 255 characters are kept whole: no rule cuts them at a fixed buffer.
    const std::string deep = "C:\\" + std::string(150, 'a') + "\\" + std::string(150, 'b');
    const Split cases[] = {
        {win, deep + "\\refs.csv", deep + "\\", "refs.csv", "refs", ".csv", deep},
        {win, "C:\\data\\refs.csv", "C:\\data\\", "refs.csv", "refs", ".csv", "C:\\data"},
        {win, "C:\\refs.csv", "C:\\", "refs.csv", "refs", ".csv", "C:\\"},
        {win, "C:refs.csv", "C:", "refs.csv", "refs", ".csv", "C:"},
        {win, "C:/data/My refs.txt", "C:/data/", "My refs.txt", "My refs", ".txt", "C:/data"},
        {win, "\\\\server\\share\\refs", "\\\\server\\share\\", "refs", "refs", "",
         "\\\\server\\share"},
        {win, "D:\\a.b\\noext", "D:\\a.b\\", "noext", "noext", "", "D:\\a.b"},
        {win, "C:\\data\\", "C:\\data\\", "", "", "", "C:\\data"},
        {win, "refs.tar.gz", "", "refs.tar.gz", "refs.tar", ".gz", ""},
        {posix, "/home/u/refs.csv", "/home/u/", "refs.csv", "refs", ".csv", "/home/u"},
        {posix, "/refs.csv", "/", "refs.csv", "refs", ".csv", "/"},
        // A backslash or a colon is part of a POSIX name.
        {posix, "/tmp/C:\\x\\refs.csv", "/tmp/", "C:\\x\\refs.csv", "C:\\x\\refs", ".csv", "/tmp"},
        {posix, "a:/refs", "a:/", "refs", "refs", "", "a:"},
        {posix, "/data/", "/data/", "", "", "", "/data"},
    };
    for (const Split& c : cases) {
        const PathStyle& s = *c.style;
        EXPECT_EQ(splitPath(c.path, s).folder, c.folder) << c.path;
        EXPECT_EQ(splitPath(c.path, s).name, c.name) << c.path;
        EXPECT_EQ(fileName(c.path, s), c.name) << c.path;
        EXPECT_EQ(baseName(c.path, s), c.base) << c.path;
        EXPECT_EQ(extension(c.path, s), c.ext) << c.path;
        EXPECT_EQ(folderOf(c.path, s), c.folderOf) << c.path;
        EXPECT_EQ(replaceExtension(c.path, ".PDB", s), c.base + ".PDB") << c.path;
    }
}

TEST(PathRules, JoiningWritesOneSeparatorOfTheSystem) {
    struct Join {
        const PathStyle* style;
        std::string folder, name, joined;
    };
    const Join cases[] = {
        {&kWindowsPaths, "C:\\data", "refs.csv", "C:\\data\\refs.csv"},
        {&kWindowsPaths, "C:\\", "refs.csv", "C:\\refs.csv"},
        {&kWindowsPaths, "C:/data/", "refs.csv", "C:/data/refs.csv"},
        {&kWindowsPaths, "C:", "refs.csv", "C:refs.csv"},
        {&kWindowsPaths, "\\\\server\\share", "x", "\\\\server\\share\\x"},
        {&kWindowsPaths, "", "refs.csv", "refs.csv"},
        {&kWindowsPaths, "\\\\server\\share", std::string(300, 'n') + ".csv",
         "\\\\server\\share\\" + std::string(300, 'n') + ".csv"},
        {&kPosixPaths, "/home/u", "refs.csv", "/home/u/refs.csv"},
        {&kPosixPaths, "/", "refs.csv", "/refs.csv"},
        {&kPosixPaths, "C:", "refs.csv", "C:/refs.csv"},
        {&kPosixPaths, "dir\\", "refs.csv", "dir\\/refs.csv"},
    };
    for (const Join& c : cases) {
        EXPECT_EQ(joinPath(c.folder, c.name, *c.style), c.joined) << c.folder;
        // What was joined splits back into its parts.
        EXPECT_EQ(fileName(c.joined, *c.style), c.name) << c.joined;
    }
}

}  // namespace
}  // namespace rq
