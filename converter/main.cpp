// SPDX-License-Identifier: MIT
// jconvpro.exe: our converter between the desktop program's CSV files and JFile databases.
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "base/windows1252.h"
#include "converter/jconvpro.h"
#include "converter/palm_time.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    std::vector<std::string> args = rq::consoleArguments(argc, argv);
    args.erase(args.begin());
    // Tests fix the database dates through RQ_CONVERTER_TIME (seconds since 1970, wall clock).
    std::uint32_t now = rq::jfile::palmTimeFromLocal(std::time(nullptr));
    if (const char* fixed = std::getenv("RQ_CONVERTER_TIME")) {
        if (const auto t = rq::jfile::palmTimeFromText(fixed)) now = *t;
    }
    // The handheld keeps the database name in Windows-1252 whatever the desktop's code page:
    // letters it lacks become their base letter, so every platform writes the same bytes. A
    // name that is no UTF-8 is taken as the code page's bytes already.
    return rq::jfile::runJconvpro(args, now, [](const std::string& name) {
        return rq::isValidUtf8(name) ? rq::utf8ToWindows1252(name).text : name;
    });
}
