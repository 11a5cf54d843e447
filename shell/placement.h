// SPDX-License-Identifier: MIT
#pragma once
// Top-level windows without a parent open centred on the desktop, on every platform: a window
// manager may not do it, and the X server without one never does.

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace rq {

inline void centreOnScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
}

}  // namespace rq
