// SPDX-License-Identifier: MIT
#pragma once
// One conversion context, with the user's settings and the output slot, over the recording host,
// the fake system and an in-memory window, with its program folder (created, and empty) in a fresh
// temporary folder.

#include <string>

#include "engine/context.h"
#include "engine/output_file.h"
#include "engine/strategy.h"
#include "engine/user_settings.h"
#include "jobs/recording_host.h"
#include "support/fake_system.h"

namespace rq::test {

inline std::string dataFile(const std::string& name) {
    return dataFile("jobs", name);
}

struct Harness {
    TempFolder folder;
    RecordingHost host;
    FakeSystem system;
    InMemoryStrategyWindow window;
    ConversionContext ctx{host, system, window};
    UserSettings settings;
    OutputFile output{&system};

    explicit Harness(const std::string& programFolderName = "Program Folder") {
        ctx.setProgramFolder(folder / programFolderName);
        fs::create_directories(ctx.programFolder);
    }

    // Copies a golden input into the temporary folder before anything reads or writes it.
    std::string copyData(const std::string& name) {
        const std::string to = folder / name;
        copyReplacing(dataFile(name), to);
        return to;
    }
};

}  // namespace rq::test
