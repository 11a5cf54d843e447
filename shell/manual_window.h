// SPDX-License-Identifier: MIT
#pragma once
// The manual at hand: the README that comes with the program, shown as a page of its own. It
// stays open beside the main window.

#include <QDialog>

class QTextBrowser;

namespace rq {

class ManualWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ManualWindow(QWidget* parent = nullptr);
    QString text() const;

  private:
    QTextBrowser* browser_;
};

}  // namespace rq
