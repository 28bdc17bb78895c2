// The remote panel's server on loopback: who is let in, what closes a
// connection, the brake on guessing, sessions, and control.
#include "support/RowName.h"
#include "support/WebTest.h"
#include "web/Certificate.h"
#include "web/Message.h"
#include "web/Passphrase.h"
#include "web/WebStation.h"

#include <QSettings>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

using namespace std::chrono_literals;

struct HttpRow {
    const char* proves;
    QByteArray request; // %1: the port
    QByteArray status;
};

class WebHttp : public WebTest, public ::testing::WithParamInterface<HttpRow>
{
};

TEST_P(WebHttp, AnswersOnlyItsOwnPageToItsOwnOrigin)
{
    QTcpSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port_);
    ASSERT_TRUE(socket.waitForConnected(waitMs));
    socket.write(QString::fromLatin1(GetParam().request).arg(port_).toLatin1());
    QByteArray reply;
    (void)QTest::qWaitFor([&] { return (reply += socket.readAll()).contains("\r\n"); }, waitMs);
    EXPECT_TRUE(reply.startsWith("HTTP/1.1 " + GetParam().status)) << reply.left(60).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebHttp,
    ::testing::Values(
        HttpRow{"own_page", "GET / HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n\r\n", "200"},
        HttpRow{"own_origin",
                "GET /panel.js HTTP/1.1\r\nHost: localhost:%1\r\nOrigin: http://localhost:%1\r\n\r\n", "200"},
        HttpRow{"foreign_origin",
                "GET / HTTP/1.1\r\nHost: 127.0.0.1:%1\r\nOrigin: http://evil.example\r\n\r\n", "403"},
        HttpRow{"cross_site", "GET / HTTP/1.1\r\nHost: 127.0.0.1:%1\r\nSec-Fetch-Site: cross-site\r\n\r\n",
                "403"},
        HttpRow{"rebound_name",
                "GET / HTTP/1.1\r\nHost: evil.example:%1\r\nOrigin: http://evil.example:%1\r\n\r\n", "403"},
        HttpRow{"post", "POST / HTTP/1.1\r\nHost: 127.0.0.1:%1\r\nContent-Length: 0\r\n\r\n", "405"},
        HttpRow{"elsewhere", "GET /etc/passwd HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n\r\n", "404"}),
    RowName{});

TEST_F(WebTest, ForeignOriginsAreClosedBeforeTheyHearAnything)
{
    for (const QString& origin : {QStringLiteral("http://evil.example"), QString(),
                                  QStringLiteral("https://127.0.0.1:%1").arg(port_)}) {
        Client c = open(origin);
        ASSERT_TRUE(c.waitClosed()) << origin.toStdString();
        EXPECT_TRUE(c.messages->isEmpty()) << origin.toStdString();
    }
    EXPECT_EQ(hub.connections(), 0);
}

struct BadRow {
    const char* proves;
    QByteArray message;
    QWebSocketProtocol::CloseCode code;
};

class WebBadMessage : public WebTest, public ::testing::WithParamInterface<BadRow>
{
};

TEST_P(WebBadMessage, ClosesThatConnectionAndLeavesThePanelAlone)
{
    Client c = open();
    Client watcher = open();
    c.send(R"({"t":"take"})");
    ASSERT_FALSE(c.next(QStringLiteral("state"), u"control", QStringLiteral("you")).isEmpty());
    const QString before = panel->Text1->text();
    traffic();
    if (GetParam().message == "binary")
        c.socket->sendBinaryMessage("{}");
    else
        c.send(GetParam().message);
    ASSERT_TRUE(c.waitClosed());
    EXPECT_EQ(c.socket->closeCode(), GetParam().code) << c.socket->closeReason().toStdString();
    EXPECT_FALSE(c.socket->closeReason().isEmpty());
    EXPECT_TRUE(traffic().empty());
    EXPECT_EQ(panel->Text1->text(), before);
    // The others stay, and control was given back.
    EXPECT_FALSE(watcher.next(QStringLiteral("state"), u"control", QStringLiteral("none")).isEmpty());
    EXPECT_EQ(watcher.socket->state(), QAbstractSocket::ConnectedState);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebBadMessage,
    ::testing::Values(
        BadRow{"not_json", "up1", QWebSocketProtocol::CloseCodePolicyViolated},
        BadRow{"array", R"(["press","up1"])", QWebSocketProtocol::CloseCodePolicyViolated},
        BadRow{"unknown_control", R"({"t":"press","b":"up7"})", QWebSocketProtocol::CloseCodePolicyViolated},
        BadRow{"extra_member", R"({"t":"press","b":"up1","n":9})",
               QWebSocketProtocol::CloseCodePolicyViolated},
        BadRow{"wrong_type", R"({"t":"press","b":1})", QWebSocketProtocol::CloseCodePolicyViolated},
        BadRow{"oversized", R"({"t":"press","b":")" + QByteArray(2000, 'x') + R"("})",
               QWebSocketProtocol::CloseCodeTooMuchData},
        BadRow{"binary", "binary", QWebSocketProtocol::CloseCodeDatatypeNotSupported}),
    RowName{});

TEST_F(WebTest, OnlyTheHolderOfControlWorksThePanelAndAnotherMayTakeIt)
{
    Client a = open();
    Client b = open();
    a.send(R"({"t":"press","b":"up1"})");
    EXPECT_EQ(a.next(QStringLiteral("refused")).value(u"why"), QStringLiteral("take control first"));
    a.send(R"({"t":"take"})");
    ASSERT_FALSE(b.next(QStringLiteral("state"), u"control", QStringLiteral("other")).isEmpty());
    const QString before = panel->Text1->text();
    a.send(R"({"t":"press","b":"up1"})");
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->Text1->text() != before; }, waitMs));
    EXPECT_FALSE(traffic().empty());
    b.send(R"({"t":"take"})");
    EXPECT_FALSE(a.next(QStringLiteral("news"), u"text", QStringLiteral("control taken by another browser"))
                     .isEmpty());
    a.send(R"({"t":"press","b":"up1"})");
    EXPECT_EQ(a.next(QStringLiteral("refused")).value(u"why"), QStringLiteral("take control first"));
    // Idle control lapses.
    now += web::WebHub::controlIdle + 1s;
    hub.sweep();
    EXPECT_FALSE(
        b.next(QStringLiteral("news"), u"text", QStringLiteral("control released: idle for three minutes"))
            .isEmpty());
}

class WebLoginTest : public WebTest
{
protected:
    WebLoginTest() : WebTest(web::hashPassphrase(QStringLiteral("right horse"), testIterations)) {}
};

TEST_F(WebLoginTest, WrongPassphrasesAreBrakedPerAddress)
{
    Client c = open();
    ASSERT_TRUE(c.next(QStringLiteral("hello")).value(u"login").toBool());
    // Nothing but a login before logging in.
    web::LoginGuard::Limits limits;
    for (int i = 0; i < limits.freeFailures; ++i) {
        c.send(R"({"t":"login","pass":"wrong horse"})");
        ASSERT_EQ(c.next(QStringLiteral("denied")).value(u"why"), QStringLiteral("wrong passphrase")) << i;
    }
    // Now even the right one waits.
    c.send(R"({"t":"login","pass":"right horse"})");
    EXPECT_TRUE(
        c.next(QStringLiteral("denied")).value(u"why").toString().startsWith(u"too many wrong passphrases"));
    EXPECT_EQ(guard.waitFor(QHostAddress(QHostAddress::LocalHost)), limits.firstLockout.count());
    now += limits.firstLockout;
    c.send(R"({"t":"login","pass":"right horse"})");
    EXPECT_EQ(c.next(QStringLiteral("session")).value(u"token").toString().size(), web::tokenHexDigits);
    EXPECT_EQ(guard.waitFor(QHostAddress(QHostAddress::LocalHost)), 0);
}

TEST_F(WebLoginTest, AnExpiredSessionIsRefused)
{
    Client c = open();
    c.send(R"({"t":"press","b":"up1"})");
    ASSERT_TRUE(c.waitClosed());
    EXPECT_EQ(c.socket->closeReason(), QStringLiteral("log in first"));

    Client first = open();
    first.send(R"({"t":"login","pass":"right horse"})");
    const QString token = first.next(QStringLiteral("session")).value(u"token").toString();
    ASSERT_FALSE(token.isEmpty());
    first.socket->close();
    ASSERT_TRUE(first.waitClosed());

    Client again = open();
    again.send(QStringLiteral(R"({"t":"resume","token":"%1"})").arg(token).toUtf8());
    ASSERT_EQ(again.next(QStringLiteral("session")).value(u"token"), token);
    again.socket->close();
    ASSERT_TRUE(again.waitClosed());

    now += web::LoginGuard::Limits{}.sessionIdle + 1s;
    Client late = open();
    late.send(QStringLiteral(R"({"t":"resume","token":"%1"})").arg(token).toUtf8());
    EXPECT_EQ(late.next(QStringLiteral("denied")).value(u"why"),
              QStringLiteral("session expired: log in again"));
}

class WebStationTest : public PanelTest
{
};

TEST_F(WebStationTest, RefusesToServeBeyondLoopbackWithoutAPassphrase)
{
    QTemporaryDir dir;
    QSettings empty(dir.filePath(QStringLiteral("web.conf")), QSettings::IniFormat);
    web::WebOptions anywhere;
    anywhere.address = QStringLiteral("any");
    char said[512] = {};
    std::FILE* err = fmemopen(said, sizeof said - 1, "w");
    const auto station = web::WebStation::start(*panel, anywhere, empty, err);
    std::fclose(err);
    EXPECT_EQ(station, nullptr);
    EXPECT_THAT(said, ::testing::HasSubstr("needs a passphrase first"));
}

// With a certificate, the station answers over TLS only, with the certificate
// whose fingerprint it printed.
TEST_F(WebStationTest, ServesOverTlsOnlyWithTheCertificateItNames)
{
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("web.conf")), QSettings::IniFormat);
    web::storePassphrase(store, web::hashPassphrase(QStringLiteral("a passphrase"), 1000));
    web::WebOptions tls;
    tls.certFile = dir.filePath(QStringLiteral("web-cert.pem"));
    tls.keyFile = dir.filePath(QStringLiteral("web-key.pem"));
    QString why;
    const std::optional<web::Tls> made = web::loadTls({}, {}, dir.path(), &why);
    ASSERT_TRUE(made) << why.toStdString();
    char said[1024] = {};
    std::FILE* err = fmemopen(said, sizeof said - 1, "w");
    const auto station = web::WebStation::start(*panel, tls, store, err);
    std::fclose(err);
    ASSERT_NE(station, nullptr) << said;
    EXPECT_THAT(said, ::testing::HasSubstr(made->fingerprint.toStdString()));

    const QByteArray get =
        "GET / HTTP/1.1\r\nHost: localhost:" + QByteArray::number(station->port()) + "\r\nConnection: close\r\n\r\n";
    const auto answer = [&](QTcpSocket& socket) {
        socket.write(get);
        QByteArray got;
        (void)QTest::qWaitFor([&] { return (got += socket.readAll()).contains("\r\n\r\n") ||
                                           socket.state() == QAbstractSocket::UnconnectedState; },
                              3000);
        return got.left(got.indexOf('\r'));
    };
    QSslSocket secure;
    secure.setProxy(QNetworkProxy::NoProxy);
    secure.setPeerVerifyMode(QSslSocket::QueryPeer);
    secure.connectToHostEncrypted(QStringLiteral("127.0.0.1"), station->port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return secure.isEncrypted(); }, 5000));
    EXPECT_EQ(secure.peerCertificate(), made->configuration.localCertificate());
    EXPECT_EQ(answer(secure), "HTTP/1.1 200 OK");

    QTcpSocket plain;
    plain.setProxy(QNetworkProxy::NoProxy);
    plain.connectToHost(QStringLiteral("127.0.0.1"), station->port());
    ASSERT_TRUE(plain.waitForConnected(3000));
    EXPECT_FALSE(answer(plain).startsWith("HTTP/1.1 200"));
}

} // namespace
