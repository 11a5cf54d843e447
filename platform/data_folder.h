// SPDX-License-Identifier: MIT
#pragma once
// Where the program keeps its files ("Strat.jfp", "Log.txt", "RQWork", "Import and Export").
// A copy in a folder of the user's own keeps them beside itself. An installed copy, whose
// folder the user cannot write, keeps them in the platform's per-user place instead; the
// converter stays beside the program either way. --home and REFQUILL_HOME override both.

#include <string>

#include "engine/context.h"

namespace rq {

inline constexpr const char* kHomeVariable = "REFQUILL_HOME";

enum class DataFolderSource { HomeOption, HomeVariable, ProgramFolder, PerUser };

struct DataFolderInputs {
    std::string programFolder;  // the folder of the resolved executable
    std::string homeOption;     // --home; empty when not given
    std::string homeVariable;   // REFQUILL_HOME; empty when unset
    bool programFolderIsTheUsers = false;
    std::string perUserFolder;  // empty when the platform cannot name one
};

struct DataFolderChoice {
    std::string folder;
    DataFolderSource source = DataFolderSource::ProgramFolder;
};

// --home, then REFQUILL_HOME, then the program folder when it is the user's, then the per-user
// folder; the program folder when there is no per-user folder either.
DataFolderChoice decideDataFolder(const DataFolderInputs& inputs);

// The platform's per-user data folder for the program: $XDG_DATA_HOME/Refquill (default
// ~/.local/share/Refquill) on POSIX, %LOCALAPPDATA%\Refquill on Windows. Empty when unknown.
std::string perUserDataFolder();
// The same as the help names it: "$XDG_DATA_HOME/Refquill", "%LOCALAPPDATA%\\Refquill".
extern const char* const kPerUserDataFolderHelp;
// True when the user may create files in `folder` and it is not a part of the system that
// programs must not write at run time.
bool folderIsTheUsers(const std::string& folder);
// The value of an environment variable; empty when unset.
std::string environmentText(const char* name);

// The decision for this run, from the program folder, --home (empty when not given) and the
// environment. Relative --home and REFQUILL_HOME values are taken from the current folder.
DataFolderChoice chooseDataFolder(const std::string& programFolder, const std::string& homeOption);

// Creates the data folder when it is missing. The first start with a per-user folder takes the
// program folder's "Strat.jfp" as its starting point: copies it when the data folder has none.
// Returns the problem ("Could not create the data folder PATH: REASON", "Could not copy the
// strategy file FROM to TO: REASON"), empty when there was none.
std::string prepareDataFolder(const DataFolderChoice& choice, const std::string& programFolder);

}  // namespace rq
