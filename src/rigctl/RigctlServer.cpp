#include "rigctl/RigctlServer.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>

#include <sys/socket.h>

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

RigctlServer::RigctlServer(Rig& rig, QObject* parent) : QObject(parent), rig_(rig), interpreter_(rig)
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
    for (const auto& [socket, client] : clients_)
        socket->disconnect();
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
        if (clientCount() >= maxClients)
            freeClosedSlots();
        if (!isLoopbackPeer(socket->peerAddress()) || clientCount() >= maxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(readBufferSize);
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->setInterval(idleLimit_);
        idle->start();
        clients_.emplace(socket, Client{LineBuffer{}, idle});
        connect(idle, &QTimer::timeout, socket, [this, socket] {
            release(socket);
            socket->abort();
        });
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
        // Queued: the write that drained them may have been serve's own.
        connect(
            socket, &QTcpSocket::bytesWritten, socket, [this, socket] { serve(socket); },
            Qt::QueuedConnection);
        connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            release(socket);
            socket->deleteLater();
        });
    }
}

void RigctlServer::freeClosedSlots()
{
    // A client that has closed holds its slot until the loop reads its end of
    // stream, which may come after the next client's arrival. The kernel knows
    // already: a peek finds the end with nothing before it.
    std::vector<QTcpSocket*> closed;
    for (const auto& [socket, client] : clients_) {
        char byte = 0;
        const ssize_t peeked =
            ::recv(static_cast<int>(socket->socketDescriptor()), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        const bool ended = peeked == 0 || (peeked < 0 && errno == ECONNRESET);
        // Requests already read, or replies still to go, keep the slot: they are owed.
        if (ended && socket->bytesAvailable() == 0 && socket->bytesToWrite() == 0 && !client.lines.hasLine())
            closed.push_back(socket);
    }
    for (QTcpSocket* socket : closed) {
        release(socket);
        socket->disconnectFromHost();
    }
}

void RigctlServer::release(QTcpSocket* socket) { clients_.erase(socket); }

void RigctlServer::serve(QTcpSocket* socket)
{
    const auto found = clients_.find(socket);
    if (found == clients_.end() || socket->state() != QAbstractSocket::ConnectedState)
        return;
    Client& client = found->second;
    // Lines are answered in order; a long line is refused only when its turn
    // comes. Past pauseAt unsent bytes the rest waits in the socket, and the
    // client, once the buffers between are full, cannot send more.
    bool ended = false;
    while (!ended) {
        if (socket->bytesToWrite() >= pauseAt && (!socket->flush() || socket->bytesToWrite() >= pauseAt))
            break;
        if (client.lines.overlong()) {
            ended = true;
            break;
        }
        const std::optional<QByteArray> line = client.lines.takeLine();
        if (!line) {
            if (socket->bytesAvailable() == 0)
                break;
            client.lines.append(socket->readAll());
            continue;
        }
        // Only a whole request shows the client is alive: bytes that never
        // make a line keep no slot.
        client.idle->start();
        const Reply reply = interpreter_.handle(*line, socket);
        if (!reply.bytes.isEmpty())
            socket->write(reply.bytes);
        ended = reply.close;
    }
    // Handed to the system now: during a run the event loop is only served now
    // and then, and a client that has closed its sending side would lose
    // replies still queued here when the loop reads its end of stream.
    socket->flush();
    if (ended) {
        release(socket);
        socket->disconnectFromHost();
    }
}

} // namespace rigctl
