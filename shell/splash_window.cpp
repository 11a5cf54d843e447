#include "shell/splash_window.h"

#include <QCoreApplication>

#include "shell/black_panel.h"
#include "shell/placement.h"
#include "ui_splash_window.h"

namespace rq {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::SplashWindow>()) {
    ui_->setupUi(this);
    centreOnScreen(*this);
    paintBlack(*this);
    paintBlack(*ui_->Panel1);
    setCreditFont(*ui_->Label1, 16, false, true);
    setCreditFont(*ui_->Label2, 16, true, true);
    setCreditFont(*ui_->Label3, 16, true, false);
}

SplashWindow::~SplashWindow() = default;

void SplashWindow::showAndPaint() {
    show();
    // Painted now: no events are handled while the main window is being built.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

}  // namespace rq
