// SPDX-License-Identifier: MIT
// The second start's request to the running program: it arrives, it fails fast with no program
// to answer, and the window comes forward.
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

#include "gui_suites.h"
#include "instance_request.h"
#include "shell/instance_channel.h"

using namespace rq;
using namespace rq::test;

class InstanceChannelTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void requestReachesTheRunningProgram() {
        const QString name = uniqueChannelName();
        InstanceChannel running(name);
        QVERIFY(running.listen());
        QSignalSpy raised(&running, &InstanceChannel::raiseRequested);
        QVERIFY(askFromElsewhere(name, 2000));
        QTRY_COMPARE(raised.count(), 1);
        QVERIFY(askFromElsewhere(name, 2000));
        QTRY_COMPARE(raised.count(), 2);
    }

    void noRunningProgramAnswersFast() {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!InstanceChannel::askToRaise(uniqueChannelName(), 300));
        QVERIFY(clock.elapsed() < 1000);
    }

    void aMinimisedWindowComesToTheFront() {
        QWidget window;
        window.resize(200, 100);
        window.showMinimized();
        QWidget other;
        other.resize(200, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        bringToFront(window);
        QVERIFY(!(window.windowState() & Qt::WindowMinimized));
        QVERIFY(window.isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

RQ_GUI_SUITE(InstanceChannelTest);
#include "instance_channel_test.moc"
