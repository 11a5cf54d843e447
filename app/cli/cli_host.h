// SPDX-License-Identifier: MIT
#pragma once
// The host services of the command-line tool: PlainHost, with every message also printed to
// stderr in the program's voice ("refquill-cli: error: TEXT", "refquill-cli: warning: TEXT" for
// the window's other message boxes) and every result text of the status panel to stdout. Quiet
// keeps only the messages; verbose adds the run log's lines, the converter's command line and
// the time each step took ("log: ", "converter: ", "step: "). On a terminal a progress line
// tells how far the job has come.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/cli/progress_line.h"
#include "engine/plain_host.h"
#include "platform/console.h"

namespace rq {

enum class Verbosity { Quiet, Normal, Verbose };

class CliHost : public PlainHost {
  public:
    using Clock = ProgressLine::Clock;

    // A long export can log a line for most of its records: beyond these, the lines wait in a
    // temporary file for "Log.txt", so memory stays flat whatever the size of the input.
    static constexpr std::size_t kLogLinesInMemory = 4096;

    CliHost(std::FILE* out = stdout, std::FILE* err = stderr, bool progressLine = false)
        : out_(out),
          err_(err),
          progress_(err, progressLine, progressLine && enableTerminalEscapes(err)) {
        spoolLogAfter(kLogLinesInMemory);
    }

    void setVerbosity(Verbosity verbosity) { verbosity_ = verbosity; }
    Verbosity verbosity() const { return verbosity_; }
    // The clock of the step times and the progress line; tests set their own.
    void setClock(Clock::time_point (*now)()) { now_ = now; }

    // For the commands that convert one file: once `signal` holds a signal number, the event
    // pump throws Interrupted, and the messages of the failures the signal caused (a read cut
    // short) are not shown. The jobs stop through the context instead.
    void stopOnSignal(const std::atomic<int>* signal) { stopSignal_ = signal; }

    // During a job the result texts wait for its end, when the command prints each one beside
    // the file it belongs to; takeResult gives the first one held for `source`, once (empty
    // when none).
    void holdResults(bool hold) { holdResults_ = hold; }
    std::string takeResult(std::string_view source);

    // A job of `files` files starts; the progress line counts them.
    void startJob(int files);
    // The job has ended: the progress line goes.
    void endJob();
    // A line of our own on stderr, after the progress line has gone.
    void printError(std::string_view line);
    void printNote(std::string_view line);                              // not when quiet
    void printVerbose(std::string_view prefix, std::string_view text);  // only when verbose

    void appendLog(std::string_view line) override;
    void showMessage(MessageKind kind, std::string_view text) override;
    void showMessage(MessageKind kind, std::string_view text, std::string_view detail) override;
    void setStatusText(std::string_view text) override;
    void pumpEvents() override;
    void beginBusy() override;
    void endBusy() override;
    void phaseStarted(ProgressPhase phase, std::string_view sourceFile) override;
    void recordReached(long n) override;
    void converterStarted(ProgressPhase phase) override;
    void converterCommand(std::string_view commandLine) override;
    void converterRunning(int seconds) override;
    void progressEnded() override;
    void showLog(const std::string& path) override;

  private:
    void startStep(ProgressPhase phase, std::string_view inputFile);
    void endStep();

    std::FILE* out_;
    std::FILE* err_;
    ProgressLine progress_;
    Verbosity verbosity_ = Verbosity::Normal;
    const std::atomic<int>* stopSignal_ = nullptr;
    bool holdResults_ = false;
    std::vector<std::pair<std::string, std::string>> heldResults_;  // source, text
    Clock::time_point (*now_)() = &Clock::now;
    std::optional<ProgressPhase> step_;
    Clock::time_point stepStart_{};
    std::string lastDetail_;  // the file and reason last shown, not shown twice in a row
};

}  // namespace rq
