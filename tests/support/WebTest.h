#pragma once
// A started panel on the recording fakes, served to browsers on a free
// loopback port, with a clock the test moves, and WebSocket clients that
// keep every message they get.

#include "support/PanelTest.h"
#include "web/LoginGuard.h"
#include "web/WebHub.h"
#include "web/WebServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QTest>
#include <QWebSocket>

#include <chrono>
#include <optional>

class WebTest : public PanelTest
{
protected:
    using TimePoint = std::chrono::steady_clock::time_point;

    // A passphrase hashed cheaply: the hash's cost is the guard's business, not the tests'.
    static constexpr int testIterations = 1000;

    explicit WebTest(std::optional<web::PassHash> hash = std::nullopt)
        : guard(
              std::move(hash), [this] { return now; }, web::LoginGuard::Limits{}),
          hub(panel->door(), panel->runner(), guard, [this] { return now; }), server(hub, {})
    {
        port_ = server.listen(QHostAddress(QHostAddress::LocalHost), 0);
        EXPECT_NE(port_, 0);
    }

    struct Client {
        std::unique_ptr<QWebSocket> socket;
        std::unique_ptr<QSignalSpy> messages;
        std::unique_ptr<QSignalSpy> closed;
        int seen = 0; // messages already looked at by next()

        void send(const QByteArray& text) { socket->sendTextMessage(QString::fromUtf8(text)); }
        // The next message of type `t` (whose `member` is `value`, when given),
        // skipping others; empty when none came.
        QJsonObject next(const QString& t, QStringView member = {}, const QString& value = {})
        {
            QJsonObject found;
            (void)QTest::qWaitFor(
                [&] {
                    while (seen < messages->size()) {
                        const QJsonObject m =
                            QJsonDocument::fromJson(messages->at(seen++).at(0).toString().toUtf8()).object();
                        if (m.value(u"t").toString() == t &&
                            (member.isEmpty() || m.value(member).toString() == value)) {
                            found = m;
                            return true;
                        }
                    }
                    return false;
                },
                waitMs);
            return found;
        }
        bool waitClosed()
        {
            return QTest::qWaitFor([&] { return !closed->isEmpty(); }, waitMs);
        }
    };

    QString ownOrigin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

    // A client that has opened (and perhaps been closed at once).
    Client open(const QString& origin)
    {
        Client c;
        c.socket = std::make_unique<QWebSocket>(origin);
        c.socket->setProxy(QNetworkProxy::NoProxy);
        c.messages = std::make_unique<QSignalSpy>(c.socket.get(), &QWebSocket::textMessageReceived);
        c.closed = std::make_unique<QSignalSpy>(c.socket.get(), &QWebSocket::disconnected);
        QSignalSpy connected(c.socket.get(), &QWebSocket::connected);
        c.socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(port_)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !connected.isEmpty() || !c.closed->isEmpty(); }, waitMs));
        return c;
    }
    Client open() { return open(ownOrigin()); }

    static constexpr int waitMs = 5000;
    TimePoint now = std::chrono::steady_clock::now();
    web::LoginGuard guard;
    web::WebHub hub;
    web::WebServer server;
    quint16 port_ = 0;
};
