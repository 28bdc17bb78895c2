// Reply latency of --rigctld while the panel works: a client reads "f" every
// 20 ms, as a digital-mode program polls, during "E" 7040 -> 7040.05 (two
// 650 ms step-size presses and their pauses) and during "up 5k" at "Low".
// Prints p50, p99 and max of the time from request to reply, and the shortest
// step-size key press, which serving must never cut short.
//
// The panel is built as the program builds it: one action runner, the paced
// delay library serving the long waits through it, the simulated rig behind
// the pacer, the server on the window's event loop.
#include "PacedPanel.h"
#include "rigctl/PanelRig.h"
#include "rigctl/RigctlServer.h"
#include "sim/SimulatedRig.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono;

namespace
{

// Reads "f" every 20 ms on its own thread until stopped; latencies in ms.
class PollingClient : public TimedClient
{
public:
    explicit PollingClient(quint16 port)
    {
        start([this, port] { poll(port); });
    }

private:
    void poll(quint16 port)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            std::perror("connect");
            return;
        }
        askEvery(20ms, [fd] {
            if (::send(fd, "f\n", 2, 0) != 2)
                return false;
            char c = 0;
            while (::recv(fd, &c, 1, 0) == 1 && c != '\n') {
            }
            return true;
        });
        ::close(fd);
    }
};

// The simulated rig, with the moments the key went down and up.
class KeyTimedRig : public PortIo
{
public:
    explicit KeyTimedRig(SimulatedRig& rig) : rig_(rig) {}
    int16_t Inp32(int16_t address) override { return rig_.Inp32(address); }
    void Out32(int16_t address, int16_t value) override
    {
        if (address == 890) {
            const bool down = value & 1;
            if (down && !pressedAt_)
                pressedAt_ = steady_clock::now();
            if (!down && pressedAt_) {
                holds.push_back(duration<double, std::milli>(steady_clock::now() - *pressedAt_).count());
                pressedAt_.reset();
            }
        }
        rig_.Out32(address, value);
    }
    std::vector<double> holds; // ms

private:
    SimulatedRig& rig_;
    std::optional<steady_clock::time_point> pressedAt_;
};

void row(const char* what, std::vector<double> ms, const std::vector<double>& holds)
{
    if (ms.empty()) {
        std::printf("%-34s no replies\n", what);
        return;
    }
    std::printf("%-34s %6zu %8.2f %8.2f %8.2f", what, ms.size(), percentile(ms, 0.5), percentile(ms, 0.99),
                ms.back());
    if (holds.empty())
        std::printf(" %14s\n", "-");
    else
        std::printf(" %14.1f\n", *std::min_element(holds.begin(), holds.end()));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SimulatedRig rig(RigSettings{}, [] { return steady_clock::now(); });
    KeyTimedRig keyed(rig);
    PacedPanel paced(keyed);
    Corvane& panel = paced.panel;
    rigctl::PanelRig remote(panel);
    rigctl::RigctlServer server(remote);
    QString error;
    if (!server.listen(0, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    panel.show();
    panel.KRV->setCurrentRow(1); // KRV-40 at 7040 kHz
    // The first paint of the whole window is start-up's, not a run's.
    serveFor(300ms);

    std::printf("%-34s %6s %8s %8s %8s %14s\n", "reads of f every 20 ms during", "n", "p50 ms", "p99 ms",
                "max ms", "min press ms");
    const auto during = [&](const char* what, const std::function<void()>& action) {
        keyed.holds.clear();
        PollingClient client(server.port());
        serveFor(100ms);
        action();
        // The pause after the run is part of it.
        serveFor(700ms);
        row(what, client.stop(), keyed.holds);
    };
    during("\"E\" 7040 -> 7040.05 and back", [&] {
        panel.Text5->setText(QStringLiteral("7040.05"));
        panel.Command26->click();
        panel.Text5->setText(QStringLiteral("7040"));
        panel.Command26->click();
    });
    during("\"up 5k\" at \"Low\"", [&] { panel.Command13->click(); });
    return 0;
}
