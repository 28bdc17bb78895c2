// The rigctld-compatible server, byte for byte through a raw socket, on the real
// panel: the replies, the line handling, and what set_freq does to the rig.
#include "support/RigctlTest.h"
#include "support/RowName.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QtEndian>

#include <cstring>
#include <string>
#include <vector>

#include <algorithm>
#include <utility>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using ::testing::IsEmpty;

namespace {

struct ExchangeRow {
    const char* proves;
    const char* request;
    const char* reply;
};

// On a KRV-40 at 7040 kHz, RIT off.
const ExchangeRow exchangeRows[] = {
    {"chk_vfo says requests carry no VFO", "\\chk_vfo\n", "0\n"},
    {"get_freq reads the transmit display in Hz", "f\n", "7040000\n"},
    {"get_freq by long name with a VFO token", "\\get_freq VFOA\n", "7040000\n"},
    {"set_freq acknowledges an accepted move", "F 7030050\n", "RPRT 0\n"},
    {"set_freq as Hamlib writes it", "F 7030050.000000\n", "RPRT 0\n"},
    {"set_freq with a VFO token", "\\set_freq VFOA 7030050\n", "RPRT 0\n"},
    {"set_freq rounds up onto 540 kHz", "F 539975\n", "RPRT 0\n"},
    {"set_freq rounds down below 540 kHz", "F 539974\n", "RPRT -1\n"},
    {"set_freq rounds up above 25 MHz", "F 25000025\n", "RPRT -1\n"},
    {"set_freq without a number", "F 7.03MHz\n", "RPRT -1\n"},
    {"set_freq without an argument", "F\n", "RPRT -1\n"},
    {"get_mode starts at CW 500", "m\n", "CW\n500\n"},
    {"set_mode is echoed by get_mode", "M USB 2400\nm\n", "RPRT 0\nUSB\n2400\n"},
    {"passband -1 keeps the passband", "M PKTUSB -1\nm\n", "RPRT 0\nPKTUSB\n500\n"},
    {"set_mode without a passband", "M USB\nm\n", "RPRT -1\nCW\n500\n"},
    {"get_vfo", "v\n", "VFOA\n"},
    {"set_vfo VFOA Main and currVFO", "V VFOA\nV Main\nV currVFO\n", "RPRT 0\nRPRT 0\nRPRT 0\n"},
    {"set_vfo to another VFO", "V VFOB\n", "RPRT -11\n"},
    {"get_split_vfo", "s\n", "0\nVFOA\n"},
    {"split off is accepted", "S 0 VFOA\n", "RPRT 0\n"},
    {"split on is not available", "S 1 VFOB\n", "RPRT -11\n"},
    {"get_ptt", "t\n", "0\n"},
    {"unkeyed already, and cannot be keyed", "T 0\nT 1\n", "RPRT 0\nRPRT -11\n"},
    {"get_rit with RIT off", "j\n", "0\n"},
    {"power is on", "\\get_powerstat\n", "1\n"},
    {"lock mode is off", "\\get_lock_mode\n", "0\n"},
    {"unknown letter", "J 10\n", "RPRT -11\n"},
    {"unknown long name", "\\get_level AF\n", "RPRT -11\n"},
    {"unknown word", "freq\n", "RPRT -11\n"},
    {"extended get with newlines", "+f\n", "get_freq:\nFrequency: 7040000\nRPRT 0\n"},
    {"extended get with semicolons", ";f\n", "get_freq:;Frequency: 7040000;RPRT 0\n"},
    {"extended get with bars", "|m\n", "get_mode:|Mode: CW|Passband: 500|RPRT 0\n"},
    {"extended two values", ";s\n", "get_split_vfo:;Split: 0;TX VFO: VFOA;RPRT 0\n"},
    {"extended set echoes its arguments", "+F 7030050\n", "set_freq: 7030050\nRPRT 0\n"},
    {"extended refusal", "+V VFOB\n", "set_vfo: VFOB\nRPRT -11\n"},
    {"extended long name", "+\\get_powerstat\n", "get_powerstat:\nPower Status: 1\nRPRT 0\n"},
    {"extended ptt", "|t\n", "get_ptt:|PTT: 0|RPRT 0\n"},
    {"extended unknown", "+xyz\n", "RPRT -11\n"},
    {"batched lines each answered", "f\nv\nt\n", "7040000\nVFOA\n0\n"},
    {"CR LF and tabs", "f\r\nS\t0\tVFOA\r\n", "7040000\nRPRT 0\n"},
    {"empty lines are no requests", "\n \nv\n", "VFOA\n"},
    {"q answers and ends the connection", "q\nf\n", "RPRT 0\n"},
};

class RigctlExchange : public RigctlTest, public ::testing::WithParamInterface<ExchangeRow> {};

TEST_P(RigctlExchange, RepliesByteForByte)
{
    ASSERT_TRUE(listening);
    chooseModel(1);
    expectReply(GetParam().request, GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(Rows, RigctlExchange, ::testing::ValuesIn(exchangeRows), RowName());

using RigctlServe = RigctlTest;

TEST_F(RigctlServe, HandshakeAsHamlibsClientOpensIt)
{
    const QByteArray expected = "0\n" // chk_vfo
                                "0\n2\n2\n"
                                "540000.000000 25000000.000000 0x2 -1 -1 0x1 0x1\n0 0 0 0 0 0 0\n"
                                "540000.000000 25000000.000000 0x2 -1 -1 0x1 0x1\n0 0 0 0 0 0 0\n"
                                "0x2 50\n0x2 200\n0 0\n"
                                "0x2 500\n0 0\n"
                                "0\n0\n0\n0\n\n\n"
                                "0x0\n0x0\n0x0\n0x0\n0x0\n0x0\n";
    EXPECT_EQ(ask("\\chk_vfo\n\\dump_state\n", expected.size()), expected);
}

TEST_F(RigctlServe, PartialLineWaitsForItsEnd)
{
    chooseModel(1);
    const auto client = connectClient();
    ASSERT_TRUE(client);
    // The first reply proves the server has read the half line sent with it.
    EXPECT_EQ(exchange(*client, "f\nF 70", 8), "7040000\n");
    EXPECT_EQ(exchange(*client, "30050\n", 7), "RPRT 0\n");
    settleMoves();
    EXPECT_EQ(panel->Text1->text(), "7030.05");
}

TEST_F(RigctlServe, OverlongLineClosesTheConnectionAfterWhatCameBefore)
{
    chooseModel(1);
    const auto client = connectClient();
    ASSERT_TRUE(client);
    const QByteArray longest = '\\' + QByteArray(rigctl::LineBuffer::maxLine - 1, 'x') + '\n';
    EXPECT_EQ(exchange(*client, longest, 9), "RPRT -11\n");
    const QByteArray tooLong(rigctl::LineBuffer::maxLine + 1, 'f'); // no LF needed
    EXPECT_EQ(exchange(*client, "v\n" + tooLong, 100), "VFOA\n");
    EXPECT_EQ(client->state(), QAbstractSocket::UnconnectedState);
    EXPECT_EQ(server.clientCount(), 0);
}

TEST_F(RigctlServe, NinthClientIsClosedUntilAPlaceIsFree)
{
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < rigctl::RigctlServer::maxClients; ++i) {
        clients.push_back(connectClient());
        ASSERT_TRUE(clients.back());
        EXPECT_EQ(exchange(*clients.back(), "t\n", 2), "0\n");
    }
    auto ninth = connectClient();
    ASSERT_TRUE(ninth); // the kernel accepts; the server closes it at once
    EXPECT_EQ(exchange(*ninth, "t\n", 2), "");
    EXPECT_EQ(ninth->state(), QAbstractSocket::UnconnectedState);

    // The place is free the moment its client has closed, not once the loop
    // has got round to reading that.
    clients.front()->disconnectFromHost();
    ninth = connectClient();
    ASSERT_TRUE(ninth);
    EXPECT_EQ(exchange(*ninth, "t\n", 2), "0\n");
}

TEST_F(RigctlServe, ClientThatClosesItsSendingSideGetsEveryReply)
{
    chooseModel(1);
    // A raw socket: Qt's cannot half-close. Requests and end of stream are both
    // in before the server first looks, as from `printf 'f\nv\n' | nc -N`.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server.port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const char requests[] = "f\nv\n\\dump_state\n";
    ASSERT_EQ(::send(fd, requests, sizeof requests - 1, 0), static_cast<ssize_t>(sizeof requests - 1));
    ::shutdown(fd, SHUT_WR);
    QByteArray reply;
    bool closed = false;
    (void)QTest::qWaitFor(
        [&] {
            char bytes[4096];
            const ssize_t n = ::recv(fd, bytes, sizeof bytes, MSG_DONTWAIT);
            if (n > 0)
                reply.append(bytes, n);
            closed = n == 0;
            return closed;
        },
        waitMs);
    ::close(fd);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(reply.startsWith("7040000\nVFOA\n0\n2\n")) << reply.toStdString();
    EXPECT_TRUE(reply.endsWith("0x0\n0x0\n")) << reply.toStdString();
}

TEST_F(RigctlServe, ClientThatSendsWithoutReadingHoldsBoundedMemory)
{
    const auto client = connectClient();
    ASSERT_TRUE(client);
    client->setReadBufferSize(1024); // Qt would otherwise read on our behalf
    // 4 MiB of requests would take some 130 MiB of replies, far beyond what
    // the kernel buffers between the two.
    QByteArray flood;
    while (flood.size() < 4 * 1024 * 1024)
        flood += "\\dump_state\n";
    client->write(flood);
    // The loop spun flat out: the server must be held back by its own rule,
    // not by a test that serves it slowly.
    const auto spin = [](const std::function<bool()>& done) {
        QDeadlineTimer deadline(waitMs);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents();
        return done();
    };
    QTcpSocket* served = nullptr;
    qint64 largest = 0;
    int stillTurns = 0;
    qint64 lastLeft = -1;
    // Until the client has had nothing more taken for many turns in a row.
    spin([&] {
        const auto sockets = server.findChildren<QTcpSocket*>();
        served = sockets.isEmpty() ? nullptr : sockets.first();
        if (served)
            largest = std::max(largest, served->bytesToWrite() + served->bytesAvailable());
        stillTurns = client->bytesToWrite() == lastLeft ? stillTurns + 1 : 0;
        lastLeft = client->bytesToWrite();
        return stillTurns > 2000;
    });
    EXPECT_GT(stillTurns, 2000) << "the server never stopped reading";
    EXPECT_LT(largest, rigctl::RigctlServer::pauseAt + rigctl::RigctlServer::readBufferSize + 1024);
    EXPECT_GT(client->bytesToWrite(), 0) << "the client is held back, not read dry";
    EXPECT_EQ(server.clientCount(), 1);
}

TEST(RigctlIdle, SilentClientIsDroppedAndAPollingOneKept)
{
    TrafficLog log;
    RecordingPort port(log);
    RecordingTimer timer(log);
    Corvane panel(port, timer);
    rigctl::PanelRig rig(panel);
    rigctl::RigctlServer server(rig);
    server.setIdleLimit(std::chrono::milliseconds(150));
    QString error;
    ASSERT_TRUE(server.listen(0, &error)) << error.toStdString();
    // A client that dribbles bytes that never make a request is no client either.
    QTcpSocket silent;
    QTcpSocket dribbling;
    QTcpSocket polling;
    for (QTcpSocket* socket : {&silent, &dribbling, &polling}) {
        socket->setProxy(QNetworkProxy::NoProxy);
        socket->connectToHost(QHostAddress::LocalHost, server.port());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.clientCount() == 3; }));
    const bool dropped = QTest::qWaitFor(
        [&] {
            polling.write("t\n");
            polling.readAll();
            if (dribbling.state() == QAbstractSocket::ConnectedState)
                dribbling.write(" ");
            return silent.state() == QAbstractSocket::UnconnectedState &&
                   dribbling.state() == QAbstractSocket::UnconnectedState;
        },
        5000);
    EXPECT_TRUE(dropped);
    EXPECT_EQ(polling.state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(server.clientCount(), 1);
}

// The addresses the kernel lists as listening on TCP `port`, from /proc/net/tcp and tcp6.
std::vector<std::string> listeningOn(quint16 port)
{
    std::vector<std::string> found;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine(); // the heading
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().simplified().split(' ');
            const QList<QByteArray> local = fields.value(1).split(':');
            if (fields.value(3) != "0A" || local.size() != 2 || local[1].toUShort(nullptr, 16) != port)
                continue; // 0A: listening
            // Each 32-bit word is the network-order bytes as the host reads them.
            quint8 bytes[16] = {};
            for (qsizetype w = 0; w < local[0].size() / 8 && w < 4; ++w) {
                const quint32 word = local[0].mid(w * 8, 8).toUInt(nullptr, 16);
                std::memcpy(bytes + 4 * w, &word, 4);
            }
            const QHostAddress address =
                local[0].size() == 8 ? QHostAddress(qFromBigEndian<quint32>(bytes)) : QHostAddress(bytes);
            found.push_back(address.toString().toStdString());
        }
    }
    return found;
}

TEST_F(RigctlServe, ListensOnTheLoopbackAddressesOnlyAndAnswersOnBoth)
{
    ASSERT_TRUE(listening);
    std::vector<std::string> expected{"127.0.0.1"};
    if (const auto client = connectClient(QHostAddress(QHostAddress::LocalHostIPv6))) {
        EXPECT_EQ(exchange(*client, "v\n", 5), "VFOA\n");
        expected.push_back("::1");
    }
    // Listening on every interface would pass the peer check, and expose the port all the same.
    EXPECT_THAT(listeningOn(server.port()), ::testing::UnorderedElementsAreArray(expected));
}

TEST_F(RigctlServe, TakenPortIsReportedInOneLine)
{
    rigctl::RigctlServer second(rig);
    QString error;
    EXPECT_FALSE(second.listen(server.port(), &error));
    EXPECT_THAT(error.toStdString(), ::testing::StartsWith("cannot listen on 127.0.0.1 port " +
                                                           std::to_string(server.port()) + ": "));
    EXPECT_FALSE(error.contains(u'\n'));
}

TEST(RigctlPeer, OnlyLoopbackIsServed)
{
    const std::pair<const char*, bool> rows[] = {
        {"127.0.0.1", true},        {"127.1.2.3", true},     {"::1", true},
        {"::ffff:127.0.0.1", true}, {"192.168.1.20", false}, {"10.0.0.1", false},
        {"0.0.0.0", false},         {"::", false},           {"::ffff:192.168.1.20", false},
        {"2001:db8::1", false},     {"fe80::1", false},      {"128.0.0.1", false},
    };
    for (const auto& [address, served] : rows)
        EXPECT_EQ(rigctl::isLoopbackPeer(QHostAddress(QString::fromLatin1(address))), served) << address;
}

// What set_freq does on the panel: "E" on the rounded frequency, nothing else.
using RigctlSetFreq = RigctlTest;

TEST_F(RigctlSetFreq, RunsWhatEDoesAndKeepsTheHalfTypedEntry)
{
    chooseModel(1);
    TrafficLog pressLog;
    RecordingPort pressPort(pressLog);
    RecordingTimer pressTimer(pressLog);
    Corvane pressed(pressPort, pressTimer);
    pressed.KRV->setCurrentRow(1);
    pressLog.clear();
    pressed.Text5->setText(QStringLiteral("7030.05"));
    pressed.Command26->click();

    panel->Text5->setText(QStringLiteral("14.0"));
    traffic();
    expectReply("F 7030074.9\n", "RPRT 0\n"); // the nearest 50 Hz is 7030.05 kHz
    settleMoves();
    EXPECT_EQ(traffic(), pressLog);
    EXPECT_EQ(panel->Text1->text(), "7030.05");
    EXPECT_EQ(panel->Text3->text(), "7030.05");
    EXPECT_EQ(panel->Text5->text(), "14.0");
    expectReply("f\n", "7030050\n");
}

TEST_F(RigctlSetFreq, RefusalSendsNothing)
{
    panel->Text5->setText(QStringLiteral("7"));
    expectReply("F 7030050\n", "RPRT -1\n"); // no model chosen yet
    chooseModel(1);
    traffic();
    expectReply("F 25000100\n", "RPRT -1\n");
    expectReply("F -7030050\n", "RPRT -1\n");
    EXPECT_THAT(traffic(), IsEmpty());
    EXPECT_EQ(panel->Text1->text(), "7040");
    EXPECT_EQ(panel->Text5->text(), "7");
}

TEST_F(RigctlSetFreq, MoveThatCouldNotComeIsRefusedBeforeAnythingIsSent)
{
    chooseModel(1);
    panel->Encoder->setCurrentText(QStringLiteral("3"));
    expectReply("F 7030050\n", "RPRT -1\n");
    panel->Encoder->setCurrentText(QStringLiteral("1"));
    // 632 is a port this PC lacks; 7040.05 needs the step key on the other
    // port's base+1, which is the read-only status register there.
    const auto refuse = [](int16_t address, bool write) {
        if (address == 632 || (address == 265 && write))
            throw std::runtime_error("refused");
    };
    rigctl::PanelRig checked(*panel, refuse);
    rigctl::Interpreter interpreter(checked);
    setPort("632");
    EXPECT_EQ(interpreter.handle("F 7030000").bytes, "RPRT -1\n");
    setPort("264");
    EXPECT_EQ(interpreter.handle("F 7040050").bytes, "RPRT -1\n");
    EXPECT_EQ(interpreter.handle("F 7030000").bytes, "RPRT 0\n") << "200 Hz steps need no key";
    EXPECT_THAT(traffic(), IsEmpty()) << "nothing is played inside the request";
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->Text1->text() == "7030"; })) << "but after it";
}

// Runs of steps serve the event loop between steps; here a wait does.
class RigctlDuringARun : public RigctlTest
{
protected:
    // Clicks "up 1 step" and, inside its first wait, runs `during`.
    void duringAStep(const std::function<void()>& during)
    {
        bool done = false;
        timer.onWait = [&](int16_t) {
            if (!std::exchange(done, true))
                during();
        };
        panel->Command3->click();
        timer.onWait = nullptr;
    }
};

TEST_F(RigctlDuringARun, TuningIsAnsweredAtOnceAndOnlyTheNewestIsPlayedAfterTheRun)
{
    chooseModel(1);
    const auto first = connectClient();
    const auto second = connectClient();
    ASSERT_TRUE(first && second);
    duringAStep([&] {
        EXPECT_EQ(exchange(*first, "F 7030000\n", 7), "RPRT 0\n");
        EXPECT_EQ(exchange(*second, "F 7050000\n", 7), "RPRT 0\n");
        EXPECT_EQ(exchange(*first, "f\n", 8), "7040000\n") << "the record as it stands";
        EXPECT_EQ(panel->Text1->text(), "7040");
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->Text1->text() == "7050"; }));
    const TrafficLog played = traffic();
    EXPECT_EQ(std::count(played.begin(), played.end(), "wait 1"), 1) << "one run of \"E\"";
}

TEST_F(RigctlDuringARun, AnsweredRequestIsPlayedThoughItsClientHasGone)
{
    chooseModel(1);
    duringAStep([&] {
        auto client = connectClient();
        ASSERT_TRUE(client);
        EXPECT_EQ(exchange(*client, "F 7100000\n", 7), "RPRT 0\n");
        client->abort();
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.clientCount() == 0; }));
    });
    EXPECT_EQ(panel->Text1->text(), "7040.2") << "not inside the click";
    // A success reply is a promise: the move comes in its turn.
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->Text1->text() == "7100"; }));
}

TEST_F(RigctlDuringARun, NewerTargetStopsARemoteMoveButWaitsForTheOperatorsRun)
{
    chooseModel(1);
    rigctl::Interpreter interpreter(rig);
    // An operator's run of 125 steps is played whole; the target waits.
    int waits = 0;
    timer.onWait = [&](int16_t) {
        if (++waits == 10) {
            EXPECT_EQ(interpreter.handle("F 7030000").bytes, "RPRT 0\n");
        }
    };
    panel->Command9->click();
    EXPECT_EQ(panel->Text1->text(), "7065");
    // The move to 7030 (175 steps down) is overtaken by 7100 after a few steps
    // and stops there; 7100 is played from where the record then stands.
    waits = 0;
    timer.onWait = [&](int16_t) {
        if (++waits == 20) {
            EXPECT_EQ(interpreter.handle("F 7100000").bytes, "RPRT 0\n");
        }
    };
    traffic();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->Text1->text() == "7100"; }));
    timer.onWait = nullptr;
    const TrafficLog played = traffic();
    const auto steps = std::count(played.begin(), played.end(), "wait 3") / 2;
    EXPECT_LT(steps, 175 + 175) << "the older move was not played out";
    EXPECT_EQ(std::count(played.begin(), played.end(), "wait 1"), 2) << "two runs of \"E\"";
}

TEST_F(RigctlSetFreq, WithRitOnMovesTheReceiverAndReportsTheOffset)
{
    chooseModel(1);
    panel->RIT_ON->setChecked(true);
    expectReply("F 7040100\n", "RPRT 0\n");
    settleMoves();
    EXPECT_EQ(panel->Text1->text(), "7040");
    EXPECT_EQ(panel->Text3->text(), "7040.1");
    expectReply("f\nj\n", "7040100\n100\n");
    expectReply("F 7039950\n", "RPRT 0\n");
    settleMoves();
    expectReply("j\n", "-50\n");
}

TEST_F(RigctlSetFreq, FailedRunIsRefusedAndTheEntryComesBack)
{
    chooseModel(1);
    panel->Text5->setText(QStringLiteral("70"));
    setPort("abc"); // the step-size key cannot be pressed
    expectReply("F 7030050\n", "RPRT -1\n");
    EXPECT_EQ(panel->Text5->text(), "70");
    panel->Text1->setText(QStringLiteral("abc"));
    expectReply("f\n+f\n", "RPRT -1\nget_freq:\nRPRT -1\n");
}

} // namespace
