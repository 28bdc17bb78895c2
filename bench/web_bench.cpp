// The remote panel during a run: how soon a browser-side client (a
// QWebSocket on a thread of its own, as a browser is a process of its own)
// sees each change of the record after the rig took the step, and whether 50
// more viewers slow "up 5k steps" at "Low". Prints latency p50, p99 and max
// from the simulated rig's change to the state message showing it, and the
// run's time with 0 and with 50 viewers.
//
// The panel is built as the program builds it: one action runner, the paced
// delay library serving the long waits through it, the simulated rig behind
// the pacer, the web server on the window's event loop.
#include "PacedPanel.h"
#include "sim/SimulatedRig.h"
#include "web/LoginGuard.h"
#include "web/WebHub.h"
#include "web/WebServer.h"

#include <QApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QWebSocket>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono;

namespace
{

// Clients on their own thread and event loop; the first one's arrivals are kept.
class Browsers
{
public:
    Browsers(quint16 port, int viewers) : thread_([this, port, viewers] { run(port, viewers); })
    {
        while (!ready_)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    ~Browsers()
    {
        while (!loop_)
            std::this_thread::yield();
        QMetaObject::invokeMethod(loop_, "quit", Qt::QueuedConnection);
        thread_.join();
    }
    std::vector<std::pair<int64_t, steady_clock::time_point>> arrivals()
    {
        const std::lock_guard lock(mutex_);
        return arrivals_;
    }

private:
    void run(quint16 port, int viewers)
    {
        QEventLoop loop;
        std::vector<std::unique_ptr<QWebSocket>> sockets;
        std::atomic<int> open = 0;
        for (int i = 0; i <= viewers; ++i) {
            auto s = std::make_unique<QWebSocket>(QStringLiteral("http://127.0.0.1:%1").arg(port));
            QObject::connect(s.get(), &QWebSocket::connected, [&open] { ++open; });
            if (i == 0)
                QObject::connect(s.get(), &QWebSocket::textMessageReceived, [this](const QString& text) {
                    const auto at = steady_clock::now();
                    const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object();
                    if (m.value(u"t").toString() != u"state")
                        return;
                    const auto hz = std::llround(m.value(u"xmit").toString().toDouble() * 1000);
                    const std::lock_guard lock(mutex_);
                    arrivals_.emplace_back(hz, at);
                });
            s->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(port)));
            sockets.push_back(std::move(s));
        }
        while (open < viewers + 1)
            loop.processEvents(QEventLoop::AllEvents, 5);
        loop_ = &loop;
        ready_ = true;
        loop.exec();
    }

    std::mutex mutex_;
    std::vector<std::pair<int64_t, steady_clock::time_point>> arrivals_;
    std::atomic<bool> ready_ = false;
    std::atomic<QEventLoop*> loop_ = nullptr;
    std::thread thread_;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SimulatedRig rig(RigSettings{}, [] { return steady_clock::now(); });
    std::map<int64_t, steady_clock::time_point> rigAt; // transmit Hz -> when the rig first got there
    rig.onStateChanged = [&rigAt](const RigState& s) { rigAt.emplace(s.txHz, steady_clock::now()); };
    PacedPanel paced(rig);
    Corvane& panel = paced.panel;
    ActionRunner& runner = paced.runner;
    web::LoginGuard guard(std::nullopt);
    web::WebHub hub(panel.door(), runner, guard);
    web::WebServer server(hub, {});
    const quint16 port = server.listen(QHostAddress(QHostAddress::LocalHost), 0);
    if (port == 0)
        return 1;
    panel.show();
    panel.KRV->setCurrentRow(1); // KRV-40 at 7040 kHz

    std::printf("%-26s %8s %8s %8s %8s %10s\n", "up 5k steps at Low with", "states", "p50 ms", "p99 ms",
                "max ms", "run s");
    for (const int viewers : {0, 50}) {
        Browsers browsers(port, viewers);
        rigAt.clear();
        const auto start = steady_clock::now();
        panel.Command13->click();
        const double runS = duration<double>(steady_clock::now() - start).count();
        const auto settle = steady_clock::now() + 300ms;
        while (steady_clock::now() < settle)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::vector<double> ms;
        for (const auto& [hz, at] : browsers.arrivals())
            if (const auto it = rigAt.find(hz); it != rigAt.end() && at >= start)
                ms.push_back(duration<double, std::milli>(at - it->second).count());
        std::sort(ms.begin(), ms.end());
        if (ms.empty()) {
            std::printf("%2d viewers: no states seen\n", viewers);
            continue;
        }
        std::printf("%-26s %8zu %8.1f %8.1f %8.1f %10.2f\n",
                    (std::to_string(viewers) + " more viewers").c_str(), ms.size(), percentile(ms, 0.5),
                    percentile(ms, 0.99), *std::max_element(ms.begin(), ms.end()), runS);
    }
    return 0;
}
