// SPDX-License-Identifier: MIT
#pragma once
// The entry points of the platform layer: app/ creates the services once and hands them to the
// conversion context and the shell.

#include <memory>
#include <string>
#include <vector>

#include "engine/system_services.h"

namespace rq {

// The services of the operating system the program is built for.
std::unique_ptr<SystemServices> createSystemServices();

// Full path of the running program's executable; empty when the system cannot tell.
std::string executablePath();

}  // namespace rq
