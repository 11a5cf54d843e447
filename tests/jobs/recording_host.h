// SPDX-License-Identifier: MIT
#pragma once
// PlainHost that also keeps, in order, the calls whose order matters to the tests.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/jobs.h"
#include "engine/plain_host.h"

namespace rq {

inline void PrintTo(const PlainHost::Message& m, std::ostream* os) {
    static const char* const kinds[] = {"plain", "error", "information"};
    *os << kinds[static_cast<int>(m.kind)] << " \"" << m.text << "\"";
}

}  // namespace rq

namespace rq::test {

class RecordingHost : public PlainHost {
  public:
    std::vector<std::string> calls;
    std::vector<int> steps;
    // Runs on every pump, where a window's Cancel button or close would make its request.
    std::function<void()> onPump;

    void pumpEvents() override {
        PlainHost::pumpEvents();
        if (onPump) onPump();
    }

    void showMessage(MessageKind kind, std::string_view text) override {
        calls.push_back("message " + std::string(text));
        PlainHost::showMessage(kind, text);
    }
    void showLog(const std::string& path) override {
        calls.push_back("log " + path);
        PlainHost::showLog(path);
    }
    void converterRunning(int seconds) override {
        steps.push_back(seconds);
        PlainHost::converterRunning(seconds);
    }
    void phaseStarted(ProgressPhase phase, std::string_view sourceFile) override {
        calls.push_back("phase " + std::to_string(static_cast<int>(phase)));
        PlainHost::phaseStarted(phase, sourceFile);
    }
    void converterStarted(ProgressPhase phase) override {
        calls.push_back(phase == ProgressPhase::CsvToJFile ? "converter to JFile"
                                                           : "converter to CSV");
        PlainHost::converterStarted(phase);
    }
    void progressEnded() override {
        calls.push_back("end");
        PlainHost::progressEnded();
    }
};

// A job as its button runs it, with `chosen` as the user's file choice (nothing: cancelled).
inline JobResult runChosen(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                           Direction direction, ChosenFiles chosen = std::nullopt) {
    return runJob(ctx, settings, output, direction, [&](const DirectionInfo&) { return chosen; });
}

}  // namespace rq::test
