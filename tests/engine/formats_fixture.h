#pragma once
// Shared set-up of the file-format tests: a context with the plain host, a system that does
// nothing, a private temporary folder, and whole-file helpers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "engine/context.h"
#include "engine/path.h"
#include "engine/plain_host.h"
#include "engine/strategy_file.h"

namespace rq::test {

// The file formats never call the system services.
class UnusedSystem final : public SystemServices {
  public:
    bool startProcess(const std::string&, const std::string&, bool, ProcessHandle&) override {
        return false;
    }
    ProcessStatus pollProcess(ProcessHandle&) override { return ProcessStatus::QueryFailed; }
    void releaseProcess(ProcessHandle&) override {}
    std::string shortFolderPath(const std::string& folder) override { return folder; }
    bool copyFile(const std::string&, const std::string&) override { return false; }
    bool deleteFile(const std::string&) override { return false; }
    bool fileExists(const std::string&) override { return false; }
    bool folderExists(const std::string&) override { return false; }
    bool createFolders(const std::string&) override { return false; }
    std::string currentFolder() override { return {}; }
    std::int64_t nowSeconds() override { return 0; }
    RegistryResult writeUserDword(const std::string&, const std::string&, std::uint32_t) override {
        return RegistryResult::KeyNotOpened;
    }
    void queueForHandheldInstall(const std::string&) override {}
    bool acquireInstanceLock(const std::string&) override { return true; }
    void releaseInstanceLock() override {}
    void beep(int, int) override {}
};

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeWholeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string goldenPath(std::string_view name) {
    return joinPath(joinPath(RQ_TEST_DATA_DIR, "engine"), name);
}

class FormatsTest : public ::testing::Test {
  protected:
    FormatsTest() : ctx(host, system, window) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = (std::filesystem::temp_directory_path() /
                  (std::string("rq-formats-") + info->test_suite_name() + "-" + info->name() + "-" +
                   std::to_string(std::random_device{}())))
                     .string();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    ~FormatsTest() override {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::string path(std::string_view name) const { return joinPath(folder, name); }

    // The factory defaults as start-up has them: numbers set first, then the file read.
    void loadFactoryDefaults() {
        ctx.strategy.dataWidth = 110;
        ctx.strategy.firstColumn = 1;
        ctx.strategy.lockFlags = kLockedFlags;
        ASSERT_EQ(readStrategyText(ctx, factoryDefaultsText()), StrategyRead::Read);
    }

    PlainHost host;
    UnusedSystem system;
    InMemoryStrategyWindow window;
    ConversionContext ctx;
    std::string folder;
};

}  // namespace rq::test
