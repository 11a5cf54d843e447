// SPDX-License-Identifier: MIT
#pragma once
// The run log at hand: the lines written so far, read-only, with the last conversion's group
// selected. "Log.txt" is still written only at the end of the run.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class LogWindow;
}

namespace rq {

class LogWindow : public QDialog {
    Q_OBJECT
  public:
    explicit LogWindow(QWidget* parent = nullptr);
    ~LogWindow() override;

    // Shows the lines and selects the last group: from the last line holding one space, with
    // which each converted file's lines begin, to the end.
    void showLines(const std::vector<std::string>& lines);
    QString selectedText() const;

  private:
    std::unique_ptr<Ui::LogWindow> ui_;
};

}  // namespace rq
