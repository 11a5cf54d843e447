// SPDX-License-Identifier: MIT
// The second start on POSIX systems: the desktop's bell, a socket beside the instance lock.
#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QWidget>

#include "shell/instance_channel.h"

namespace rq {

QString instanceChannelName() {
    // The user's runtime folder, where the instance lock lies too.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(folder).filePath(QStringLiteral("RefquillWin.socket"));
}

void soundSecondStart(SystemServices&) {
    // A terminal's bell is not heard from a desktop launcher; the desktop's bell is.
    QApplication::beep();
}

void allowRunningProgramToRaise() {}

void bringToFront(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace rq
