// --rigctld as a user meets it: Hamlib's own rigctl against the panel, the
// program started with the option.
#include "support/RigctlTest.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

using RigctlClient = RigctlTest;

TEST_F(RigctlClient, HamlibsRigctlSetsAndReadsTheFrequency)
{
    const QString rigctlProgram = QStandardPaths::findExecutable(QStringLiteral("rigctl"));
    if (rigctlProgram.isEmpty())
        GTEST_SKIP() << "Hamlib's rigctl is not installed (Debian package libhamlib-utils)";
    chooseModel(1); // KRV-40, 7040 kHz

    const auto run = [&](const QStringList& commands) {
        QProcess client;
        client.setProcessChannelMode(QProcess::MergedChannels);
        client.start(rigctlProgram,
                     QStringList{"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(server.port())} +
                         commands);
        // The panel serves the client from this loop, as from the window's own.
        EXPECT_TRUE(QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 30000));
        const std::string output = client.readAll().toStdString();
        EXPECT_EQ(client.exitCode(), 0) << output;
        EXPECT_EQ(output.find("error ="), std::string::npos) << output;
        return output;
    };
    // The move is answered once accepted and made in its turn, after which
    // the record has it.
    QSignalSpy ended(panel.get(), &Corvane::actionEnded);
    EXPECT_EQ(run({"F", "7030050"}), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() > 0; }));
    EXPECT_EQ(run({"f", "M", "USB", "2400", "m", "v", "s", "t", "j", "T", "0"}),
              "7030050\nUSB\n2400\nVFOA\n0\nVFOA\n0\n0\n");
    EXPECT_EQ(panel->Text1->text(), "7030.05");
    EXPECT_EQ(server.clientCount(), 0) << "the client's q closes its connection";
}

// The program itself, started with --rigctld=PORT on the offscreen platform.
class RigctldProgram : public ::testing::Test {
protected:
    ~RigctldProgram() override
    {
        program.kill();
        program.waitForFinished();
    }

    // A port that was free a moment ago.
    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    void start(quint16 port, const QStringList& more = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(CORVANE_PROGRAM),
                      QStringList{QStringLiteral("--no-settings"), QStringLiteral("--rigctld=%1").arg(port)} +
                          more);
    }

    QProcess program;
};

TEST_F(RigctldProgram, AnswersOnTheGivenPort)
{
    const quint16 port = freePort();
    start(port, {QStringLiteral("--model"), QStringLiteral("KRV-80")});
    QTcpSocket client;
    client.setProxy(QNetworkProxy::NoProxy);
    // Connects once the program listens; until then each attempt is refused.
    const bool connected = QTest::qWaitFor(
        [&] {
            if (client.state() == QAbstractSocket::UnconnectedState)
                client.connectToHost(QHostAddress::LocalHost, port);
            return client.state() == QAbstractSocket::ConnectedState ||
                   program.state() == QProcess::NotRunning;
        },
        30000);
    ASSERT_TRUE(connected && client.state() == QAbstractSocket::ConnectedState)
        << program.readAll().toStdString();
    client.write("\\chk_vfo\nf\n");
    QByteArray reply;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (reply += client.readAll()).size() >= 10; }, 30000));
    EXPECT_EQ(reply.toStdString(), "0\n3560000\n"); // --model chose the KRV-80 at start-up
}

TEST_F(RigctldProgram, TakenPortCostsOneLineAndNotTheWindow)
{
    QTcpServer taken;
    taken.setProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    program.setProcessChannelMode(QProcess::SeparateChannels);
    start(taken.serverPort());
    QByteArray errors;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return (errors += program.readAllStandardError()).contains("--rigctld"); }, 30000));
    QByteArrayList lines;
    for (const QByteArray& line : errors.split('\n'))
        if (line.contains("rigctld"))
            lines.append(line);
    ASSERT_EQ(lines.size(), 1) << errors.toStdString();
    EXPECT_TRUE(lines[0].startsWith("corvane: --rigctld: cannot listen on 127.0.0.1 port " +
                                    QByteArray::number(taken.serverPort()) + ": "))
        << lines[0].toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
}

} // namespace
