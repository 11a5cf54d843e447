// SPDX-License-Identifier: MIT
#pragma once
// The splash window that stands while the program starts.

#include <QWidget>
#include <memory>

namespace Ui {
class SplashWindow;
}

namespace rq {

class SplashWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SplashWindow(QWidget* parent = nullptr);
    ~SplashWindow() override;
    // Shows the window and returns when its artwork is on the screen (or the window system did
    // not show it within the time-out).
    void showAndPaint(int exposeTimeoutMs = 2000);

  private:
    std::unique_ptr<Ui::SplashWindow> ui_;
};

}  // namespace rq
