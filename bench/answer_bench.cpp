// How fast a screen reader is answered while the panel runs. A screen reader
// asks over D-Bus, one call after another (name, role, state, description,
// extents of the object in focus); each call reaches the window's thread as a
// posted call and is answered there. This client asks such batches of five
// calls every 50 ms from its own thread and its own bus connection, to an
// object the window's thread serves on the session bus the way the
// accessibility bridge serves its objects, while idle and during "up 1000
// steps" at "Low" and at "High". Prints the batch's p50, p99 and max, and the
// run's wall time over its nominal time, with and without the client.
//
// Needs a session bus: scripts/bench --answers runs it under dbus-run-session.
#include "PacedPanel.h"
#include "sim/SimulatedRig.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace std::chrono;

namespace
{

const QString service = QStringLiteral("org.corvane.AnswerBench");
const QString path = QStringLiteral("/panel");

// Answers every call with a short string, as an accessible object answers a
// property read.
class AnsweringObject : public QDBusVirtualObject
{
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        connection.send(message.createReply(QStringLiteral("up 1000 steps")));
        return true;
    }
};

// Asks batches of five calls every 50 ms until stopped; batch times in ms.
class AskingClient : public TimedClient
{
public:
    AskingClient()
    {
        start([this] { ask(); });
    }

private:
    void ask()
    {
        {
            QDBusConnection bus =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("asker"));
            askEvery(50ms, [&bus] {
                for (const char* what : {"Name", "Role", "State", "Description", "Extents"}) {
                    const QDBusMessage call = QDBusMessage::createMethodCall(
                        service, path, QStringLiteral("org.corvane.Accessible"), QString::fromLatin1(what));
                    bus.call(call, QDBus::Block, 2000);
                }
                return true;
            });
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("asker"));
    }
};

struct Case {
    const char* name;
    int speedRow; // of the speed list: 0 "High", 1 "Low"
    QPushButton* button;
    int clicks;
    int steps; // in all
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    AnsweringObject answering;
    if (!bus.isConnected() || !bus.registerService(service) ||
        !bus.registerVirtualObject(path, &answering, QDBusConnection::SingleNode)) {
        std::fprintf(stderr, "no session bus to serve on: run under dbus-run-session\n");
        return 1;
    }
    SimulatedRig rig(RigSettings{}, [] { return steady_clock::now(); });
    PacedPanel paced(rig);
    Corvane& panel = paced.panel;
    const PreciseDelay& delay = paced.delay;
    panel.show();
    panel.KRV->setCurrentRow(1);
    serveFor(300ms);

    std::printf("%-36s %6s %8s %8s %8s %10s\n", "batches of five calls", "n", "p50 ms", "p99 ms", "max ms",
                "run ratio");
    const auto row = [](const char* what, const std::vector<double>& ms, double ratio) {
        std::printf("%-36s %6zu %8.2f %8.2f %8.2f", what, ms.size(), percentile(ms, 0.5),
                    percentile(ms, 0.99), ms.back());
        ratio > 0 ? std::printf(" %10.4f\n", ratio) : std::printf(" %10s\n", "-");
    };
    {
        AskingClient client;
        serveFor(2s);
        row("idle", client.stop(), 0);
    }
    // Encoder "1": two waves of the step's interval per step.
    const auto run = [&](const Case& c, bool asked) {
        panel.speed->setCurrentRow(c.speedRow);
        serveFor(100ms);
        const nanoseconds nominal = delay.interval(panel.enc_delay) * 2 * c.steps;
        std::optional<AskingClient> client;
        if (asked)
            client.emplace();
        serveFor(200ms);
        const auto start = steady_clock::now();
        for (int i = 0; i < c.clicks; ++i)
            c.button->click();
        const double ratio = duration<double>(steady_clock::now() - start) / duration<double>(nominal);
        std::vector<double> ms = client ? client->stop() : std::vector<double>{};
        return std::pair(ms, ratio);
    };
    const Case cases[] = {{"up 1000 steps at \"Low\"", 1, panel.Command11, 2, 1000},
                          {"up 5k steps at \"High\"", 0, panel.Command13, 1, 5000}};
    for (const Case& c : cases) {
        const auto [quiet, alone] = run(c, false);
        std::printf("%-36s %6s %8s %8s %8s %10.4f\n", (std::string(c.name) + ", nobody asks").c_str(), "-",
                    "-", "-", "-", alone);
        const auto [ms, ratio] = run(c, true);
        if (ms.empty())
            std::printf("%-36s no batch ended during the run %10.4f\n", c.name, ratio);
        else
            row((std::string("during ") + c.name).c_str(), ms, ratio);
    }
    return 0;
}
