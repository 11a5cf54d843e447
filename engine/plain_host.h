#pragma once
// The host services without a window: the log is a list, messages and error reports are
// collected, the event pump does nothing, the file choice answers from a prepared list, and the
// progress display only keeps its state so that tests can look at it.

#include <deque>
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

    struct Progress {
        bool shown = false;
        ProgressPhase phase = ProgressPhase::EndNoteToCsv;
        std::string prefixLine;
        bool recordLabelShown = false;
        long recordNumber = 0;
        std::string sourceFile;
        bool barShown = false;
        int barPosition = 1;  // 1 to 100, never reset
    };

    // Answers for successive chooseFiles calls; an empty optional is a cancel. When the queue
    // is empty the choice is cancelled.
    std::deque<std::optional<std::vector<std::string>>> fileChoices;

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
    std::optional<std::vector<std::string>> chooseFiles(FileDialog dialog,
                                                        std::string_view startFolder) override;

    void showPhase(ProgressPhase phase) override { progress.phase = phase; }
    void setPrefixLine(std::string_view text) override { progress.prefixLine = text; }
    void showRecordLabel(bool shown) override { progress.recordLabelShown = shown; }
    void setRecordNumber(long n) override { progress.recordNumber = n; }
    void setSourceFile(std::string_view path) override { progress.sourceFile = path; }
    void showBar(bool shown) override { progress.barShown = shown; }
    void stepProgress(int n) override;
    void setConverterPhase(char directionCode) override;
    void showProgress() override { progress.shown = true; }
    void hideProgress() override { progress.shown = false; }

    void showLog(const std::string& path) override;
};

}  // namespace rq
