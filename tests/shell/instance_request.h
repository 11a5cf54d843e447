// SPDX-License-Identifier: MIT
#pragma once
// The second start's request, sent as another program would, under a name no other test uses.
#include <QElapsedTimer>
#include <QString>
#include <QUuid>
#include <QtTest>
#include <atomic>
#include <thread>

#include "shell/instance_channel.h"

namespace rq::test {

inline QString uniqueChannelName() {
    return QStringLiteral("rq-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// The request is sent from a thread of its own, as from another program: the running one
// answers from its event loop.
inline bool askFromElsewhere(const QString& name, int timeoutMs) {
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

}  // namespace rq::test
