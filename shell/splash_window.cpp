// SPDX-License-Identifier: MIT
#include "shell/splash_window.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>

#include "shell/black_panel.h"
#include "shell/font_scale.h"
#include "shell/placement.h"
#include "ui_splash_window.h"

namespace rq {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::SplashWindow>()) {
    ui_->setupUi(this);
    paintBlack(*this);
    paintBlack(*ui_->Panel1);
    setCreditFont(*ui_->Label1, 16, false, true);
    setCreditFont(*ui_->Label2, 16, true, true);
    setCreditFont(*ui_->Label3, 16, true, false);
    scaleForFont(*this);
    centreOnScreen(*this);
}

SplashWindow::~SplashWindow() = default;

void SplashWindow::showAndPaint(int exposeTimeoutMs) {
    show();
    // The window system maps the window a little after show(), and a paint before that is lost.
    // Start-up then handles no events while the main window is built, so the artwork must be on
    // the screen before this returns.
    QElapsedTimer waited;
    waited.start();
    const QWindow* window = windowHandle();
    while (window != nullptr && !window->isExposed() && waited.elapsed() < exposeTimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        if (!window->isExposed()) QThread::msleep(5);
    }
    repaint();
    QGuiApplication::sync();
}

}  // namespace rq
