// SPDX-License-Identifier: MIT
// The local socket's own fault: a socket left by a program that died is replaced.
#include <QLocalServer>
#include <QSignalSpy>
#include <QtTest>

#include "gui_suites.h"
#include "instance_request.h"

using namespace rq;
using namespace rq::test;

class InstanceSocketTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void aSocketLeftBehindIsReplaced() {
        const QString name = uniqueChannelName();
        QLocalServer leftBehind;
        QVERIFY(leftBehind.listen(name));
        InstanceChannel running(name);
        QVERIFY(running.listen());
        QSignalSpy raised(&running, &InstanceChannel::raiseRequested);
        QVERIFY(askFromElsewhere(name, 2000));
        QTRY_COMPARE(raised.count(), 1);
    }
};

RQ_GUI_SUITE(InstanceSocketTest);
#include "instance_socket_test.moc"
