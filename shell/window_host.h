// SPDX-License-Identifier: MIT
#pragma once
// The engine's host in the desktop program: turns what the engine reports into the main
// window's log and status bar, message boxes, the busy cursor, the progress dialog and the
// error report, and lets the window's events through while a conversion works.
//
// Log lines and record numbers come once per record: putting each on screen at once would cost
// the conversion far more than the conversion itself. They are kept and shown together when the
// window's events are processed, and before anything else is shown. The log area gets its lines
// only while it is visible (laying out a paragraph costs about 90 µs): a hidden one is filled
// when it is shown.

#include <QElapsedTimer>
#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "engine/host_services.h"
#include "engine/plain_host.h"

namespace rq {

class MainWindow;
class Prompts;

class WindowHost : public HostServices {
  public:
    WindowHost(MainWindow& window, Prompts& prompts);
    ~WindowHost() override;

    void appendLog(std::string_view line) override;
    // The newest lines only, once the run has more than kLogLinesInMemory.
    const std::vector<std::string>& logLines() const override { return store_.log; }
    bool forEachLogLine(const std::function<bool(std::string_view)>& visit) const override {
        return store_.forEachLogLine(visit);
    }
    // A long run's older lines wait in a spool file, so memory stays flat at any export size.
    static constexpr std::size_t kLogLinesInMemory = 4096;
    void setStatusText(std::string_view text) override;
    void showMessage(MessageKind kind, std::string_view text) override;
    void pumpEvents() override;
    void beginBusy() override;
    void endBusy() override;

    void phaseStarted(ProgressPhase phase, std::string_view sourceFile) override;
    void recordReached(long n) override;
    void converterQueued() override;
    void converterStarted(ProgressPhase phase) override;
    void converterRunning(int seconds) override;
    void progressEnded() override;

    void showLog(const std::string& path) override;

    // Events are processed at most this often while the engine calls pumpEvents.
    static constexpr qint64 kPumpIntervalMs = 15;

  private:
    // Shows the log lines and the record number that are not on screen yet.
    void showPending();
    // Adds the lines the log area does not hold yet, in one paragraph block.
    void fillLogArea();

    // Fills the log area when it is shown.
    class LogAreaWatch : public QObject {
      public:
        explicit LogAreaWatch(WindowHost& host) : host_(host) {}
        bool eventFilter(QObject* watched, QEvent* event) override;

      private:
        WindowHost& host_;
    };

    MainWindow& window_;
    Prompts& prompts_;
    PlainHost store_;  // the log lines only: in memory, then spooled
    std::size_t linesLogged_ = 0;
    std::size_t linesShown_ = 0;  // in the log area
    long pendingRecord_ = -1;     // not shown yet; -1 for none
    QElapsedTimer pumpClock_;
    std::unique_ptr<LogAreaWatch> logAreaWatch_;
};

}  // namespace rq
