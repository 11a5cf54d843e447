// SPDX-License-Identifier: MIT
#pragma once
// One conversion context over the recording host, the fake system and an in-memory window,
// with its program folder (created, and empty) in a fresh temporary folder.

#include <string>

#include "engine/context.h"
#include "engine/strategy.h"
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
