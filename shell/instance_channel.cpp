// SPDX-License-Identifier: MIT
// The channel over a local socket (QtNetwork).
#include <QLocalServer>
#include <QLocalSocket>

#include "shell/instance_channel.h"

namespace rq {
namespace {

const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");

}  // namespace

struct InstanceChannel::Listener {
    QLocalServer server;
};

InstanceChannel::InstanceChannel(const QString& name, QObject* parent)
    : QObject(parent), name_(name), listener_(std::make_unique<Listener>()) {
    QLocalServer& server = listener_->server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server, &QLocalServer::newConnection, this, [this, &server] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) return;
                if (socket->readLine() == kRaiseRequest) Q_EMIT raiseRequested();
                socket->disconnectFromServer();
            });
        }
    });
}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::listen() {
    QLocalServer& server = listener_->server;
    if (server.listen(name_)) return true;
    QLocalServer::removeServer(name_);
    return server.listen(name_);
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
