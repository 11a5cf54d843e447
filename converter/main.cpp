// SPDX-License-Identifier: MIT
// jconvpro.exe: our converter between the desktop program's CSV files and JFile databases.
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "converter/jconvpro.h"
#include "converter/palm_time.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    std::vector<std::string> args = rq::consoleArguments(argc, argv);
    args.erase(args.begin());
    // Tests fix the database dates through RQ_CONVERTER_TIME (seconds since 1970, wall clock).
    std::uint32_t now = rq::jfile::palmTimeFromLocal(std::time(nullptr));
    if (const char* fixed = std::getenv("RQ_CONVERTER_TIME")) {
        if (const auto t = rq::jfile::palmTimeFromText(fixed)) now = *t;
    }
    // The database name is stored as the desktop's code page has it, like the strategy's folders.
    const auto system = rq::createSystemServices();
    return rq::jfile::runJconvpro(
        args, now, [&system](const std::string& name) { return system->storedText(name); });
}
