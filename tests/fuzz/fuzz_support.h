#pragma once
// What the fuzz targets share: a failed property aborts (libFuzzer keeps the input, the replay
// test fails), a private scratch folder per process, an engine context without a window or an
// operating system, and a strict reader of the CSV the export writes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/context.h"
#include "engine/plain_host.h"

namespace rq::fuzz {

// Aborts with the property's text when it does not hold; assert() would vanish in release builds.
#define RQ_FUZZ_CHECK(condition)                                                                  \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// One folder per process, made on first use and removed at exit: the readers take paths.
inline const std::string& scratchFolder() {
    struct Folder {
        std::string path;
        Folder() {
            const auto p = std::filesystem::temp_directory_path() /
                           ("rq-fuzz-" + std::to_string(std::random_device{}()));
            std::filesystem::create_directories(p);
            path = p.string();
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    return folder.path;
}

inline std::string scratchPath(std::string_view name) {
    return (std::filesystem::path(scratchFolder()) / name).string();
}

// The file formats never call the system services.
class NoSystem final : public SystemServices {
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

// A fresh log, message list and strategy for every input; the context's buffers are reused, as in a
// session.
struct Engine {
    PlainHost host;
    NoSystem system;
    InMemoryStrategyWindow window;
    ConversionContext ctx{host, system, window};

    void reset() {
        host.log.clear();
        host.messages.clear();
        ctx.strategy = Strategy{};
        ctx.job = JobState{};
    }
};

inline Engine& engine() {
    static Engine* const e = new Engine;  // never destroyed: no exit-time order to get wrong
    e->reset();
    return *e;
}

// Splits one line of the CSV the export writes (no line end): every value quoted, a quote inside
// written twice, a comma after each value but possibly the last. Nothing for anything else.
inline std::optional<std::vector<std::string>> splitStrictCsv(std::string_view line) {
    std::vector<std::string> values;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] != '"') return std::nullopt;
        std::string& value = values.emplace_back();
        for (++i;; ++i) {
            if (i == line.size()) return std::nullopt;
            if (line[i] != '"') {
                value += line[i];
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                value += '"';
                ++i;
            } else {
                break;
            }
        }
        ++i;  // the closing quote
        if (i < line.size()) {
            if (line[i] != ',') return std::nullopt;
            ++i;
        }
    }
    return values;
}

// The lines of a text whose every line ends in CR LF; nothing when one does not.
inline std::optional<std::vector<std::string_view>> crLfLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        if (lf == std::string_view::npos || lf == 0 || text[lf - 1] != '\r') return std::nullopt;
        lines.push_back(text.substr(0, lf - 1));
        text.remove_prefix(lf + 1);
    }
    return lines;
}

}  // namespace rq::fuzz
