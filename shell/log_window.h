// SPDX-License-Identifier: MIT
#pragma once
// The run log at hand: the lines written so far, read-only, with the last conversion's group
// selected. "Log.txt" is still written only at the end of the run.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "engine/host_services.h"

namespace Ui {
class LogWindow;
}

namespace rq {

class LogWindow : public QDialog {
    Q_OBJECT
  public:
    explicit LogWindow(QWidget* parent = nullptr);
    ~LogWindow() override;

    // Shows the run log's lines, read from the host's store (memory and spool), and selects the
    // last group: from the last line holding one space, with which each converted file's lines
    // begin, to the end. A long log shows its last kShownLines lines, after a line that says how
    // many came before them, so the window's memory stays flat.
    void showLog(const HostServices& host);
    static constexpr std::size_t kShownLines = 20000;
    QString selectedText() const;

  private:
    std::unique_ptr<Ui::LogWindow> ui_;
};

}  // namespace rq
