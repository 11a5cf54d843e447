// SPDX-License-Identifier: MIT
// The second start on Windows: Beep(1000, 1000), a named pipe of the user's own, and the
// foreground right handed to the running program, which Windows would otherwise refuse it.
#include <windows.h>

#include <QWidget>

#include "shell/instance_channel.h"

namespace rq {

QString instanceChannelName() {
    wchar_t user[256] = {};
    DWORD size = 256;
    const QString name = GetUserNameW(user, &size) ? QString::fromWCharArray(user) : QString();
    return QStringLiteral("RefquillWin-") + name;
}

void soundSecondStart(SystemServices& system) {
    system.beep(1000, 1000);
}

void allowRunningProgramToRaise() {
    AllowSetForegroundWindow(ASFW_ANY);
}

void bringToFront(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
    SetForegroundWindow(reinterpret_cast<HWND>(window.winId()));
}

}  // namespace rq
