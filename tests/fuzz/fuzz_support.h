// SPDX-License-Identifier: MIT
#pragma once
// What the fuzz targets share: a failed property aborts (libFuzzer keeps the input, the replay
// test fails), a private scratch folder per process, an engine context without a window on the
// tests' fake system, and a strict reader of the CSV the export writes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/context.h"
#include "engine/output_file.h"
#include "engine/plain_host.h"
#include "engine/user_settings.h"
#include "support/fake_system.h"
#include "support/files.h"

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

using test::readFile;
using test::writeFile;

inline bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// One folder per process for the files the readers take by path, removed at exit.
inline std::string scratchPath(std::string_view name) {
    static const test::TempFolder folder("rq-fuzz");
    return folder / name;
}

// A fresh log, message list and strategy for every input; the context's buffers are reused, as in a
// session.
struct Engine {
    PlainHost host;
    test::FakeSystem system;
    InMemoryStrategyWindow window;
    ConversionContext ctx{host, system, window};
    UserSettings settings;
    OutputFile output{&system};

    void reset() {
        host.log.clear();
        host.messages.clear();
        settings.strategy = Strategy{};
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
