// SPDX-License-Identifier: MIT
#pragma once
// The desktop program from start to end: the single-instance lock, the splash window, the main
// window and its dialogs, the event loop, and the release of the lock.

#include <string>

#include "engine/context.h"
#include "engine/system_services.h"

namespace rq {

inline constexpr const char* kInstanceLockName = "RefquillWin";

// `folders` are the data folder and the folder of the programs, decided by the caller.
// Returns the exit code, 0 also for a second instance, which beeps and brings the running
// program to the front instead of starting.
int runDesktopProgram(int& argc, char** argv, SystemServices& system,
                      const ProgramFolders& folders);

// The pictures are embedded in the shell library; call before the first window is built.
void initShellResources();

}  // namespace rq
