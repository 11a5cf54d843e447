// SPDX-License-Identifier: MIT
#include "shell/window_host.h"

#include <QApplication>
#include <QEvent>
#include <QPlainTextEdit>

#include "shell/converter_error_dialog.h"
#include "shell/main_window.h"
#include "shell/progress_dialog.h"
#include "shell/prompts.h"

namespace rq {

namespace {
const QString kWorkingOn = QStringLiteral("Working on Record number");
const QString kWaitingForConverter = QStringLiteral("Waiting for Jconvpro to finish");
}  // namespace

WindowHost::WindowHost(MainWindow& window, Prompts& prompts)
    : window_(window), prompts_(prompts), logAreaWatch_(std::make_unique<LogAreaWatch>(*this)) {
    store_.spoolLogAfter(kLogLinesInMemory);
    window_.logArea()->installEventFilter(logAreaWatch_.get());
}

// The log area drops the watch from its filters by itself when the watch goes.
WindowHost::~WindowHost() = default;

bool WindowHost::LogAreaWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) host_.fillLogArea();
    return QObject::eventFilter(watched, event);
}

void WindowHost::fillLogArea() {
    if (linesShown_ >= linesLogged_) return;
    // One paragraph a line, added in one go: the widget scrolls and repaints once.
    QString lines;
    std::size_t at = 0;
    store_.forEachLogLine([&](std::string_view line) {
        if (at < linesShown_) {
            ++at;
            return true;
        }
        if (at++ > linesShown_) lines += QLatin1Char('\n');
        lines += textToQt(line);
        return true;
    });
    window_.addLogLine(lines);
    linesShown_ = linesLogged_;
}

void WindowHost::showPending() {
    if (window_.logArea()->isVisible()) fillLogArea();
    if (pendingRecord_ >= 0) {
        if (ProgressDialog* dialog = window_.progressDialog())
            dialog->setRecordNumber(pendingRecord_);
        pendingRecord_ = -1;
    }
}

void WindowHost::appendLog(std::string_view line) {
    store_.appendLog(line);
    ++linesLogged_;
}

void WindowHost::setStatusText(std::string_view text) {
    showPending();
    window_.setResultText(textToQt(text));
}

void WindowHost::showMessage(MessageKind kind, std::string_view text) {
    showPending();
    prompts_.message(&window_, kind, textToQt(text));
}

void WindowHost::pumpEvents() {
    // Called very often: a look at the clock, and events only every few milliseconds.
    if (pumpClock_.isValid() && pumpClock_.elapsed() < kPumpIntervalMs) return;
    showPending();
    QCoreApplication::processEvents();
    pumpClock_.start();
}

void WindowHost::beginBusy() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void WindowHost::endBusy() {
    showPending();
    QApplication::restoreOverrideCursor();
}

void WindowHost::phaseStarted(ProgressPhase phase, std::string_view sourceFile) {
    showPending();
    ProgressDialog* dialog = window_.progressDialog();
    if (dialog == nullptr) return;
    // The job bar belongs to the converter; until it is queued only records are counted.
    dialog->showBar(false);
    dialog->showPhase(phase);
    dialog->showCancel(false);
    dialog->setPrefixLine(kWorkingOn);
    dialog->showRecordLabel(true);
    dialog->setSourceFile(pathToQt(sourceFile));
    dialog->showProgress();
}

void WindowHost::recordReached(long n) {
    pendingRecord_ = n;
}

void WindowHost::converterQueued() {
    showPending();
    ProgressDialog* dialog = window_.progressDialog();
    if (dialog == nullptr) return;
    dialog->showBar(true);
    dialog->stepProgress(1);
}

void WindowHost::converterStarted(ProgressPhase phase) {
    showPending();
    ProgressDialog* dialog = window_.progressDialog();
    if (dialog == nullptr) return;
    dialog->showPhase(phase);
    dialog->setPrefixLine(kWaitingForConverter);
    dialog->showRecordLabel(false);
    dialog->showCancel(true);
    dialog->showProgress();
    QCoreApplication::processEvents();
}

void WindowHost::converterRunning(int seconds) {
    if (ProgressDialog* dialog = window_.progressDialog()) dialog->stepProgress(seconds);
}

void WindowHost::progressEnded() {
    showPending();
    if (ProgressDialog* dialog = window_.progressDialog()) dialog->hideProgress();
}

void WindowHost::showLog(const std::string& path) {
    showPending();
    ConverterErrorDialog* dialog = window_.errorDialog();
    if (dialog == nullptr) return;
    // The file whose conversion failed is the one the progress dialog names.
    const ProgressDialog* progress = window_.progressDialog();
    const QString failedFile = progress != nullptr ? progress->sourceFile() : QString();
    if (!dialog->showLog(pathToQt(path), failedFile)) {
        prompts_.message(&window_, MessageKind::Error,
                         QStringLiteral("Cannot open file \"%1\".").arg(pathToQt(path)));
        return;
    }
    prompts_.exec(*dialog);
}

}  // namespace rq
