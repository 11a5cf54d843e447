#pragma once
// A second start of the program tells the running one to come to the front. The running
// program listens on a local socket (a named pipe on Windows) of the user's own; the second
// start connects, sends one line and ends.

#include <QLocalServer>
#include <QObject>
#include <QString>

#include "engine/system_services.h"

class QWidget;

namespace rq {

class InstanceChannel : public QObject {
    Q_OBJECT
  public:
    explicit InstanceChannel(const QString& name, QObject* parent = nullptr);

    // The running program starts listening. It holds the instance lock, so a socket left by a
    // program that died is stale and is replaced. False when no socket could be made.
    bool listen();

    // The second start asks the running program to come to the front; false when no program
    // took the request within the time.
    static bool askToRaise(const QString& name, int timeoutMs = 1000);

  Q_SIGNALS:
    void raiseRequested();

  private:
    void readRequest();

    QString name_;
    QLocalServer server_;
};

// Per system (shell/os/): the channel's name for this user, the second start's sound, leave to
// the running program the right to take the front, and bring a window to the front.
QString instanceChannelName();
void soundSecondStart(SystemServices& system);
void allowRunningProgramToRaise();
void bringToFront(QWidget& window);

}  // namespace rq
