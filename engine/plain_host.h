#pragma once
// The host without a window: the log is a list, messages and error reports are collected, the
// event pump only counts, and the progress events only keep their state so that tests can look
// at it.

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

    void appendLog(std::string_view line) override;
    const std::vector<std::string>& logLines() const override { return log; }
    void setStatusText(std::string_view text) override;
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
};

}  // namespace rq
