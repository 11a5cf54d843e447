// The second start's request to the running program: it arrives, it fails fast with no program
// to answer, it survives a socket left by a program that died, and the window comes forward.
#include <QLocalServer>
#include <QSignalSpy>
#include <QUuid>
#include <QWidget>
#include <QtTest>
#include <atomic>
#include <thread>

#include "gui_suites.h"
#include "shell/instance_channel.h"

using namespace rq;

namespace {

QString uniqueName() {
    return QStringLiteral("rq-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// The request is sent from a thread of its own, as from another program: the running one
// answers from its event loop.
bool askFromElsewhere(const QString& name, int timeoutMs) {
    std::atomic<bool> done{false};
    bool answered = false;
    std::thread second([&] {
        answered = InstanceChannel::askToRaise(name, timeoutMs);
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 3 * timeoutMs) QTest::qWait(10);
    second.join();
    return answered;
}

}  // namespace

class InstanceChannelTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void requestReachesTheRunningProgram() {
        const QString name = uniqueName();
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
        QVERIFY(!InstanceChannel::askToRaise(uniqueName(), 300));
        QVERIFY(clock.elapsed() < 1000);
    }

    void aSocketLeftBehindIsReplaced() {
        const QString name = uniqueName();
        QLocalServer leftBehind;
        QVERIFY(leftBehind.listen(name));
        InstanceChannel running(name);
        QVERIFY(running.listen());
        QSignalSpy raised(&running, &InstanceChannel::raiseRequested);
        QVERIFY(askFromElsewhere(name, 2000));
        QTRY_COMPARE(raised.count(), 1);
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
