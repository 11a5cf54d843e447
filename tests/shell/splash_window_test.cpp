// SPDX-License-Identifier: MIT
// The splash window: its artwork is on the screen when start-up goes on without events.
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include "gui_suites.h"
#include "shell/splash_window.h"

using namespace rq;

class SplashWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void artworkIsOnTheScreenWhenShowAndPaintReturns() {
        SplashWindow splash;
        splash.showAndPaint();
        QVERIFY(splash.windowHandle()->isExposed());
        // What the screen holds now, with no event handled since: the window's own pixels.
        const QImage onScreen = QGuiApplication::primaryScreen()
                                    ->grabWindow(splash.winId())
                                    .toImage()
                                    .convertToFormat(QImage::Format_RGB32);
        const QImage artwork = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(onScreen.size(), QSize(398, 262));
        QCOMPARE(onScreen, artwork);
        // ... and they are the artwork, not a black or empty ground: the product name is red.
        int red = 0;
        for (int y = 4; y < 110; ++y) {
            for (int x = 8; x < 154; ++x) {
                const QColor c = onScreen.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 80 && c.blue() < 80) ++red;
            }
        }
        QVERIFY2(red > 200, qPrintable(QStringLiteral("%1 red pixels").arg(red)));
    }
};

RQ_GUI_SUITE(SplashWindowTest);
#include "splash_window_test.moc"
