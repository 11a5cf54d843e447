// SPDX-License-Identifier: MIT
// Where the program keeps its files: the decision, the per-user folder from the environment, and
// the first start's copy of the program folder's strategy.
#include "platform/data_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "support/files.h"

namespace rq {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;

// Sets or unsets one variable for the life of the object.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DataFolder, DecisionOrder) {
    struct Case {
        const char* option;
        const char* variable;
        bool programIsTheUsers;
        const char* perUser;
        const char* folder;
        DataFolderSource source;
    };
    const Case cases[] = {
        {"/opt", "/env", false, "/per", "/opt", DataFolderSource::HomeOption},
        {"/opt", "", true, "", "/opt", DataFolderSource::HomeOption},
        {"", "/env", true, "/per", "/env", DataFolderSource::HomeVariable},
        {"", "", true, "/per", "/prog", DataFolderSource::ProgramFolder},
        {"", "", false, "/per", "/per", DataFolderSource::PerUser},
        // Nowhere else to go: the program folder, and its file operations report what fails.
        {"", "", false, "", "/prog", DataFolderSource::ProgramFolder},
    };
    for (const Case& c : cases) {
        const DataFolderChoice choice =
            decideDataFolder({"/prog", c.option, c.variable, c.programIsTheUsers, c.perUser});
        EXPECT_EQ(choice.folder, c.folder) << c.option << c.variable << c.perUser;
        EXPECT_EQ(choice.source, c.source) << c.option << c.variable << c.perUser;
    }
}

TEST(DataFolder, PerUserFolderFollowsTheXdgRules) {
    struct Case {
        std::optional<std::string> dataHome;
        std::optional<std::string> home;
        std::string expected;
    };
    const Case cases[] = {
        {"/data", "/home/u", "/data/Refquill"},
        {std::nullopt, "/home/u", "/home/u/.local/share/Refquill"},
        {"", "/home/u", "/home/u/.local/share/Refquill"},
        {"relative/data", "/home/u", "/home/u/.local/share/Refquill"},
        {std::nullopt, std::nullopt, ""},
        {std::nullopt, "relative", ""},
    };
    for (const Case& c : cases) {
        ScopedVariable data("XDG_DATA_HOME", c.dataHome);
        ScopedVariable home("HOME", c.home);
        EXPECT_EQ(perUserDataFolder(), c.expected) << c.dataHome.value_or("(unset)");
    }
}

TEST(DataFolder, SystemFoldersAreNeverTheUsers) {
    TempFolder temp;
    EXPECT_TRUE(folderIsTheUsers(temp.path()));
    EXPECT_FALSE(folderIsTheUsers(temp / "missing"));
    EXPECT_FALSE(folderIsTheUsers("/usr/lib/refquill"));
    EXPECT_FALSE(folderIsTheUsers("/usr"));
    if (::geteuid() != 0) {
        ::chmod(temp.path().c_str(), 0555);
        EXPECT_FALSE(folderIsTheUsers(temp.path()));
        ::chmod(temp.path().c_str(), 0755);
    }
}

TEST(DataFolder, OverridesAreMadeAbsoluteAndWinOverTheProgramFolder) {
    TempFolder temp;
    ScopedVariable variable(kHomeVariable, temp / "from-env");
    DataFolderChoice choice = chooseDataFolder(temp.path(), "");
    EXPECT_EQ(choice.folder, temp / "from-env");
    EXPECT_EQ(choice.source, DataFolderSource::HomeVariable);

    const std::string before = std::filesystem::current_path().string();
    std::filesystem::current_path(temp.path());
    choice = chooseDataFolder("/usr/lib/refquill", "sub/../home/");
    std::filesystem::current_path(before);
    EXPECT_EQ(choice.folder, temp / "home");
    EXPECT_EQ(choice.source, DataFolderSource::HomeOption);
}

TEST(DataFolder, InstalledProgramUsesThePerUserFolder) {
    ScopedVariable variable(kHomeVariable, std::nullopt);
    ScopedVariable data("XDG_DATA_HOME", "/somewhere/data");
    const DataFolderChoice choice = chooseDataFolder("/usr/lib/refquill", "");
    EXPECT_EQ(choice.folder, "/somewhere/data/Refquill");
    EXPECT_EQ(choice.source, DataFolderSource::PerUser);
}

TEST(DataFolder, FirstPerUserStartTakesTheProgramFoldersStrategyOnce) {
    TempFolder temp;
    std::filesystem::create_directories(temp / "prog");
    writeFile(temp / "prog/Strat.jfp", "shipped");
    const DataFolderChoice perUser{temp / "user/Refquill", DataFolderSource::PerUser};

    EXPECT_EQ(prepareDataFolder(perUser, temp / "prog"), "");
    EXPECT_EQ(readFile(temp / "user/Refquill/Strat.jfp"), "shipped");
    // The user's own file is never replaced.
    writeFile(temp / "user/Refquill/Strat.jfp", "mine");
    EXPECT_EQ(prepareDataFolder(perUser, temp / "prog"), "");
    EXPECT_EQ(readFile(temp / "user/Refquill/Strat.jfp"), "mine");

    // Other sources get their folder, but not the program folder's strategy.
    const DataFolderChoice option{temp / "opt/sub", DataFolderSource::HomeOption};
    EXPECT_EQ(prepareDataFolder(option, temp / "prog"), "");
    EXPECT_TRUE(std::filesystem::is_directory(temp / "opt/sub"));
    EXPECT_FALSE(std::filesystem::exists(temp / "opt/sub/Strat.jfp"));
    // Nothing to take: an empty folder.
    const DataFolderChoice empty{temp / "other/Refquill", DataFolderSource::PerUser};
    EXPECT_EQ(prepareDataFolder(empty, temp / "nothing"), "");
    EXPECT_TRUE(std::filesystem::is_empty(temp / "other/Refquill"));
}

TEST(DataFolder, FailuresGiveTheReason) {
    TempFolder temp;
    std::filesystem::create_directories(temp / "prog");
    writeFile(temp / "prog/Strat.jfp", "shipped");
    writeFile(temp / "blocker", "a file where the folder should be");
    const DataFolderChoice perUser{temp / "blocker/Refquill", DataFolderSource::PerUser};
    EXPECT_EQ(
        prepareDataFolder(perUser, temp / "prog"),
        "Could not create the data folder " + (temp / "blocker/Refquill") + ": Not a directory");
    // A data folder the user cannot write stops the copy (root writes anywhere).
    if (::geteuid() == 0) return;
    std::filesystem::create_directories(temp / "user");
    ::chmod((temp / "user").c_str(), 0555);
    const DataFolderChoice readOnly{temp / "user", DataFolderSource::PerUser};
    EXPECT_EQ(prepareDataFolder(readOnly, temp / "prog"),
              "Could not copy the strategy file " + (temp / "prog/Strat.jfp") + " to " +
                  (temp / "user/Strat.jfp") + ": Permission denied");
    ::chmod((temp / "user").c_str(), 0755);
}

}  // namespace
}  // namespace rq
