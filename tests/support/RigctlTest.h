#pragma once
// A started panel on the recording fakes, served by a rigctld-compatible server
// on a free loopback port, and raw clients to talk to it byte by byte.

#include "rigctl/PanelRig.h"
#include "rigctl/RigctlServer.h"
#include "support/PanelTest.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTest>

// Byte strings print as escaped C strings in failure messages.
inline void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << ::testing::PrintToString(bytes.toStdString());
}

class RigctlTest : public PanelTest {
protected:
    RigctlTest() : rig(*panel), server(rig)
    {
        QString error;
        listening = server.listen(0, &error);
        EXPECT_TRUE(listening) << error.toStdString();
    }

    // A client connected to the server, or nullptr when none could connect.
    std::unique_ptr<QTcpSocket>
    connectClient(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost))
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->setProxy(QNetworkProxy::NoProxy);
        socket->connectToHost(address, server.port());
        if (!QTest::qWaitFor([&] { return socket->state() == QAbstractSocket::ConnectedState; }, waitMs))
            return nullptr;
        return socket;
    }

    // Writes the request and returns what came back once `length` bytes are in
    // or the server has closed the connection.
    static QByteArray exchange(QTcpSocket& socket, const QByteArray& request, qsizetype length)
    {
        socket.write(request);
        QByteArray reply;
        // A reply that falls short shows in the caller's comparison.
        (void)QTest::qWaitFor(
            [&] {
                reply += socket.readAll();
                return reply.size() >= length || socket.state() == QAbstractSocket::UnconnectedState;
            },
            waitMs);
        return reply + socket.readAll();
    }

    // The whole exchange on a fresh connection.
    QByteArray ask(const QByteArray& request, qsizetype length)
    {
        const std::unique_ptr<QTcpSocket> socket = connectClient();
        return socket ? exchange(*socket, request, length) : QByteArray("(no connection)");
    }

    // The exchange on a fresh connection gives exactly `reply`.
    void expectReply(const QByteArray& request, const QByteArray& reply)
    {
        EXPECT_EQ(ask(request, reply.size()), reply) << "request: " << request.toStdString();
    }

    // Until the moves answered have settled and been played.
    void settleMoves()
    {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !rig.settling() && !panel->busy() && panel->runner().waiting() == 0; }, waitMs));
    }

    static constexpr int waitMs = 5000;
    rigctl::PanelRig rig;
    rigctl::RigctlServer server;
    bool listening = false;
};
