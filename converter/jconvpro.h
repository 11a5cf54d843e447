// SPDX-License-Identifier: MIT
#pragma once
// The converter program's work, callable without a process:
//   jconvpro.exe 1 CSVFILE PDBFILE DBNAME IFOFILE   CSV + conversion info -> JFile 5 database
//   jconvpro.exe 2 PDBFILE CSVFILE [IFOFILE]         JFile 5, 4 or 2/3 database -> CSV
// (direction 2 also takes a fifth argument, as when a blank fourth one survives splitting).
// On failure no output file exists and "jconvpro.err" in the output's folder says what is wrong
// and where; on success the output is written whole under a temporary name and then renamed.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rq::jfile {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The name the engine's driver looks for (ExternalConverter::kErrorLogName), defined here on
// purpose: the driver must work with any converter that keeps the contract, ours included.
inline constexpr const char* kErrorLogName = "jconvpro.err";

// The database name as the database stores it; nullopt when it cannot be stored.
using StoredName = std::function<std::optional<std::string>(const std::string&)>;

// `args` without the program's own path. `palmNow` dates a new database. `storedName` turns
// the name given on the command line (the program's UTF-8) into the database's bytes.
int runJconvpro(const std::vector<std::string>& args, std::uint32_t palmNow,
                const StoredName& storedName = {});

}  // namespace rq::jfile
