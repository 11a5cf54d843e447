#include "shell/instance_channel.h"

#include <QLocalSocket>

namespace rq {
namespace {

const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");

}  // namespace

InstanceChannel::InstanceChannel(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceChannel::readRequest);
}

bool InstanceChannel::listen() {
    if (server_.listen(name_)) return true;
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

void InstanceChannel::readRequest() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) return;
            if (socket->readLine() == kRaiseRequest) Q_EMIT raiseRequested();
            socket->disconnectFromServer();
        });
    }
}

bool InstanceChannel::askToRaise(const QString& name, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    // The running program hangs up once it has read the request.
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return true;
}

}  // namespace rq
