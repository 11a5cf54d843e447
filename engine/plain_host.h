// SPDX-License-Identifier: MIT
#pragma once
// The host without a window: the log is a list, messages and error reports are collected, the
// event pump only counts, and the progress events only keep their state so that tests can look
// at it.

#include <cstdio>
#include <string>
#include <vector>

#include "engine/host_services.h"

namespace rq {

class PlainHost : public HostServices {
  public:
    struct Message {
        MessageKind kind;
        std::string text;
        bool operator==(const Message&) const = default;
    };

    // What the progress events said last.
    struct Progress {
        bool shown = false;  // from phaseStarted or converterStarted to progressEnded
        ProgressPhase phase = ProgressPhase::EndNoteToCsv;
        std::string sourceFile;
        long recordNumber = 0;
        bool converterRunning = false;  // from converterStarted to progressEnded
        int converterSeconds = 0;
    };

    std::vector<std::string> log;
    std::vector<Message> messages;
    std::string statusText;
    std::vector<std::string> statusHistory;
    std::vector<std::vector<std::string>> shownErrorLogs;  // lines of each error report
    Progress progress;
    int busyDepth = 0;
    long pumpCount = 0;

    bool errorShown() const;

    PlainHost() = default;
    ~PlainHost() override;
    PlainHost(const PlainHost&) = delete;
    PlainHost& operator=(const PlainHost&) = delete;

    // Keeps at most `lines` log lines in `log`: the older ones go to a temporary file, so that a
    // long run's memory stays flat. 0 (the default) keeps every line in `log`. When the file
    // cannot be created or written, the lines stay in memory.
    void spoolLogAfter(std::size_t lines) { spoolAfter_ = lines; }

    void appendLog(std::string_view line) override;
    const std::vector<std::string>& logLines() const override { return log; }
    bool forEachLogLine(const std::function<bool(std::string_view)>& visit) const override;
    void setStatusText(std::string_view text) override;
    using HostServices::showMessage;
    void showMessage(MessageKind kind, std::string_view text) override;
    void pumpEvents() override { ++pumpCount; }
    void beginBusy() override { ++busyDepth; }
    void endBusy() override { --busyDepth; }

    void phaseStarted(ProgressPhase phase, std::string_view sourceFile) override;
    void recordReached(long n) override { progress.recordNumber = n; }
    void converterQueued() override { progress.converterSeconds = 0; }
    void converterStarted(ProgressPhase phase) override;
    void converterRunning(int seconds) override;
    void progressEnded() override;

    void showLog(const std::string& path) override;

  private:
    // Moves the lines of `log` to the spool file.
    void spoolOut();

    std::size_t spoolAfter_ = 0;
    std::FILE* spool_ = nullptr;
    long spoolGood_ = 0;  // bytes of whole lines in the spool file
};

}  // namespace rq
