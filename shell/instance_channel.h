// SPDX-License-Identifier: MIT
#pragma once
// A second start of the program tells the running one to come to the front. The running
// program listens on a local socket of the user's own (on Windows, a pair of named events: a
// request and its answer); the second start sends its request and ends.

#include <QObject>
#include <QString>
#include <memory>

#include "engine/system_services.h"

class QWidget;

namespace rq {

class InstanceChannel : public QObject {
    Q_OBJECT
  public:
    explicit InstanceChannel(const QString& name, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // The running program starts listening. It holds the instance lock, so a socket left by a
    // program that died is stale and is replaced. False when no socket could be made.
    bool listen();

    // The second start asks the running program to come to the front; false when no program
    // took the request within the time.
    static bool askToRaise(const QString& name, int timeoutMs = 1000);

  Q_SIGNALS:
    void raiseRequested();

  private:
    struct Listener;  // per system

    QString name_;
    std::unique_ptr<Listener> listener_;
};

// Per system (shell/os/): the channel's name for this user, the second start's sound, leave to
// the running program the right to take the front, and bring a window to the front.
QString instanceChannelName();
void soundSecondStart(SystemServices& system);
void allowRunningProgramToRaise();
void bringToFront(QWidget& window);

}  // namespace rq
