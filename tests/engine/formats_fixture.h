// SPDX-License-Identifier: MIT
#pragma once
// Shared set-up of the file-format tests: a context with the plain host, the fake system (the
// formats never call it), and a private temporary folder.

#include <gtest/gtest.h>

#include <string>

#include "base/path.h"
#include "engine/context.h"
#include "engine/output_file.h"
#include "engine/plain_host.h"
#include "engine/strategy_file.h"
#include "engine/user_settings.h"
#include "support/fake_system.h"

namespace rq::test {

inline std::string goldenPath(std::string_view name) {
    return dataFile("engine", name);
}

class FormatsTest : public ::testing::Test {
  protected:
    FormatsTest() : ctx(host, system, window) {}

    std::string path(std::string_view name) const { return joinPath(folder, name); }

    // The factory defaults as start-up has them: numbers set first, then the file read.
    void loadFactoryDefaults() {
        settings.strategy.dataWidth = 110;
        settings.strategy.firstColumn = 1;
        settings.strategy.lockFlags = kLockedFlags;
        ASSERT_EQ(readStrategyText(ctx, settings.strategy, factoryDefaultsText()),
                  StrategyRead::Read);
    }

    PlainHost host;
    FakeSystem system;
    InMemoryStrategyWindow window;
    ConversionContext ctx;
    UserSettings settings;
    OutputFile output{&system};
    TempFolder temp{"rq-formats"};
    std::string folder = temp.path();
};

}  // namespace rq::test
