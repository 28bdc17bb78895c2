#include "rigctl/RigctlServer.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>

namespace rigctl {

bool isLoopbackPeer(const QHostAddress& peer)
{
    // toIPv4Address also unwraps ::ffff:a.b.c.d, which isLoopback() may not.
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    if (isV4)
        return (v4 >> 24) == 127;
    return peer.isLoopback();
}

RigctlServer::RigctlServer(Rig& rig, QObject* parent) : QObject(parent), interpreter_(rig)
{
    for (QTcpServer* server : {&v4_, &v6_}) {
        // A system proxy must never carry a loopback server.
        server->setProxy(QNetworkProxy::NoProxy);
        connect(server, &QTcpServer::newConnection, this, [this, server] { accept(*server); });
    }
}

RigctlServer::~RigctlServer()
{
    // The sockets die with their servers, after clients_: they must not call back.
    for (const auto& [socket, buffer] : clients_)
        socket->disconnect(this);
}

bool RigctlServer::listen(quint16 port, QString* error)
{
    if (!v4_.listen(QHostAddress::LocalHost, port)) {
        *error = QStringLiteral("cannot listen on 127.0.0.1 port %1: %2").arg(port).arg(v4_.errorString());
        return false;
    }
    if (!v6_.listen(QHostAddress::LocalHostIPv6, v4_.serverPort()) &&
        v6_.serverError() != QAbstractSocket::UnsupportedSocketOperationError &&
        v6_.serverError() != QAbstractSocket::SocketAddressNotAvailableError) {
        *error = QStringLiteral("cannot listen on ::1 port %1: %2").arg(port).arg(v6_.errorString());
        v4_.close();
        return false;
    }
    return true;
}

quint16 RigctlServer::port() const
{
    return v4_.serverPort();
}

void RigctlServer::accept(QTcpServer& server)
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        if (!isLoopbackPeer(socket->peerAddress()) || clientCount() >= maxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        clients_.emplace(socket, LineBuffer{});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            clients_.erase(socket);
            socket->deleteLater();
        });
    }
}

void RigctlServer::serve(QTcpSocket* socket)
{
    const auto client = clients_.find(socket);
    if (client == clients_.end() || socket->state() != QAbstractSocket::ConnectedState)
        return;
    LineBuffer& buffer = client->second;
    buffer.append(socket->readAll());
    // Lines are answered in order; a long line is refused only when its turn comes.
    while (!buffer.overlong()) {
        const std::optional<QByteArray> line = buffer.takeLine();
        if (!line)
            return;
        const Reply reply = interpreter_.handle(*line);
        // Out now: during a run the event loop is only served now and then.
        if (!reply.bytes.isEmpty()) {
            socket->write(reply.bytes);
            socket->flush();
        }
        if (reply.close) {
            socket->disconnectFromHost();
            return;
        }
    }
    socket->disconnectFromHost();
}

} // namespace rigctl
