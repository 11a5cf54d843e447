// SPDX-License-Identifier: MIT
#pragma once
// Starts one of our programs for an end-to-end test and waits for it: arguments passed as they
// are (no shell), standard output and error caught in files, extra environment entries added.
// The same call works on POSIX and on Windows (under Wine too), so the tests need no shell.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rq::test {

struct ProgramRun {
    int status = -1;  // the exit code; -1 when it could not start or did not exit normally
    std::string out;
    std::string err;
};

// `arguments` starts with the program's path. `captureFolder` receives the files "stdout" and
// "stderr"; `environment` holds NAME=value entries added to (or replacing) the test's own.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& captureFolder,
                      const std::vector<std::string>& environment = {});

// Sets a variable of this test's environment, seen by the C runtime and by programs it starts.
void setEnvironment(const std::string& name, const std::string& value);

// A REG_DWORD value as the platform stored it for the current user: the Windows registry, or
// on POSIX the registry file under `configFolder` ("Refquill/registry.reg").
std::optional<std::uint32_t> storedUserDword(const std::string& keyPath,
                                             const std::string& valueName,
                                             const std::string& configFolder);

// Removes such a value, so that a test sees only what it wrote itself.
void forgetUserDword(const std::string& keyPath, const std::string& valueName,
                     const std::string& configFolder);

// Another name for `folder` without blanks, as the converter's work paths need: on POSIX a
// symbolic link made at `wanted`; on Windows the folder's own short (8.3) form, since a link
// cannot be made there without privileges. Empty when there is none.
std::string folderAlias(const std::string& folder, const std::string& wanted);

// The folder where installed programs lie ("C:\Program Files" on Windows); empty on POSIX.
std::string programFilesFolder();

// Whether folder and database names are stored in the ANSI code page (Windows) rather than as
// the program's UTF-8 (POSIX).
extern const bool kPlatformStoresAnsiNames;

// Whether the platform keeps a queue of databases for the handheld's next sync (J-Pilot's
// install file on POSIX; Windows has the registry flag only).
extern const bool kPlatformQueuesHandheldInstalls;

}  // namespace rq::test
