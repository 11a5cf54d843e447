#pragma once
// One conversion context over the plain host, the fake system and an in-memory window, with
// its program folder in a fresh temporary folder.

#include <string>

#include "engine/context.h"
#include "engine/plain_host.h"
#include "engine/strategy.h"
#include "jobs/fake_system.h"

namespace rq::test {

inline std::string dataFile(const std::string& name) {
    return std::string(RQ_TEST_DATA_DIR) + "/jobs/" + name;
}

struct Harness {
    TempFolder folder;
    PlainHost host;
    FakeSystem system;
    InMemoryStrategyWindow window;
    ConversionContext ctx{host, system, window};

    Harness() {
        ctx.setProgramFolder(folder / "Program Folder");
        fs::create_directories(ctx.workFolder);
    }

    // Copies a golden input into the temporary folder before anything reads or writes it.
    std::string copyData(const std::string& name) {
        const std::string to = folder / name;
        fs::copy_file(dataFile(name), to, fs::copy_options::overwrite_existing);
        return to;
    }

    std::vector<PlainHost::Message> messages() const { return host.messages; }
};

}  // namespace rq::test
