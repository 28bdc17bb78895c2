// Pulse timing: how close each wait of the delay library comes to its interval,
// and how close whole runs of steps come to their nominal time, against a
// plain sleep_for. Prints a table; see --help.
#include "panel/Corvane.h"
#include "sim/SimulatedPort.h"
#include "timing/PreciseDelay.h"
#include "timing/RealtimeDelay.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <optional>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

using namespace std::chrono;

namespace {

nanoseconds cpuTime()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return seconds(ts.tv_sec) + nanoseconds(ts.tv_nsec);
}

double percentile(const std::vector<double>& sorted, double p)
{
    const auto i = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

// Times `count` waits of `nominal` made by `wait`; prints one row. A template,
// and the end read in a statement of its own: after a long sleep the caches are
// cold, and anything of the harness between the wait and that read would be
// counted as the library's lateness.
template <typename Wait> void intervalRow(const char* method, nanoseconds nominal, int count, Wait wait)
{
    std::vector<double> overshoot;
    overshoot.reserve(static_cast<size_t>(count));
    const auto wall0 = steady_clock::now();
    const auto cpu0 = cpuTime();
    for (int i = 0; i < count; ++i) {
        const auto start = steady_clock::now();
        wait();
        const auto end = steady_clock::now();
        overshoot.push_back(duration<double, std::micro>(end - start - nominal).count());
    }
    const double cpuShare = duration<double>(cpuTime() - cpu0) / duration<double>(steady_clock::now() - wall0);
    std::sort(overshoot.begin(), overshoot.end());
    std::printf("| %-11s | %8.0f µs | %6d | %8.2f | %8.2f | %8.2f | %9.2f | %5.1f %% |\n", method,
                duration<double, std::micro>(nominal).count(), count, percentile(overshoot, 0.5),
                percentile(overshoot, 0.99), percentile(overshoot, 0.999), overshoot.back(), 100 * cpuShare);
    std::fflush(stdout);
}

struct RunCase {
    const char* name;
    const char* speed;   // "High" or "Low"
    const char* encoder; // "1" or "2"
    int steps;           // up
};

// One run through the real window and step engine on the simulated port;
// prints wall time over nominal time (the sum of the waits).
void runRow(const RunCase& c, bool repaint, bool realtime)
{
    SimulatedPort port;
    PreciseDelay delay;
    RealtimeDelay raised(delay);
    Corvane panel(port, realtime ? static_cast<DelayTimer&>(raised) : delay);
    panel.show();
    QCoreApplication::processEvents();
    if (!repaint) // a clock that never moves never calls for a paint
        panel.setDisplayClock([] { return steady_clock::time_point{}; });
    panel.KRV->setCurrentRow(1);
    panel.speed->setCurrentRow(QString::fromLatin1(c.speed) == u"High" ? 0 : 1);
    panel.Encoder->setCurrentText(QString::fromLatin1(c.encoder));
    const int wavesPerStep = c.encoder[0] == '1' ? 2 : 4;
    const nanoseconds nominal = delay.interval(panel.enc_delay) * (wavesPerStep * c.steps);

    panel.nsteps = -c.steps;
    const auto wall0 = steady_clock::now();
    const auto cpu0 = cpuTime();
    panel.dosteps();
    const auto wall = steady_clock::now() - wall0;
    const double cpuShare = duration<double>(cpuTime() - cpu0) / duration<double>(wall);
    QCoreApplication::processEvents(); // the end of the click: back to the normal policy
    std::printf("| %-30s | %-7s | %9.3f s | %9.3f s | %7.4f | %5.1f %% |\n", c.name, repaint ? "on" : "off",
                duration<double>(nominal).count(), duration<double>(wall).count(),
                duration<double>(wall) / duration<double>(nominal), 100 * cpuShare);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window is built only for the runs, after the intervals are measured.
    std::optional<QCoreApplication> core(std::in_place, argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Pulse-timing benchmark of the delay library and the step engine."));
    parser.addHelpOption();
    const QCommandLineOption full(QStringLiteral("full"),
                                  QStringLiteral("More repetitions, and every run with the live repaint on and off "
                                                 "(several minutes)."));
    const QCommandLineOption noRuns(QStringLiteral("no-runs"), QStringLiteral("Measure the intervals only."));
    const QCommandLineOption realtime(QStringLiteral("realtime"),
                                      QStringLiteral("Wait under SCHED_FIFO, as corvane --realtime does."));
    const QCommandLineOption load(QStringLiteral("load"), QStringLiteral("Keep N busy threads running meanwhile."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({full, noRuns, realtime, load});
    parser.process(*core);
    const bool isFull = parser.isSet(full);
    const bool isRealtime = parser.isSet(realtime);
    const bool measureRuns = !parser.isSet(noRuns);
    const int busyThreads = parser.value(load).toInt();
    const int scale = isFull ? 4 : 1;
    core.reset();

    std::atomic<bool> stop{false};
    std::vector<std::thread> hogs;
    for (int i = 0; i < busyThreads; ++i)
        hogs.emplace_back([&stop] {
            volatile unsigned long spin = 0;
            while (!stop.load(std::memory_order_relaxed))
                spin = spin + 1;
        });
    struct Joiner {
        std::atomic<bool>& stop;
        std::vector<std::thread>& threads;
        ~Joiner()
        {
            stop = true;
            for (auto& t : threads)
                t.join();
        }
    } joiner{stop, hogs};

    PreciseDelay plain;
    RealtimeDelay raised(plain);
    DelayTimer& delay = isRealtime ? static_cast<DelayTimer&>(raised) : plain;
    std::printf("%s, %d busy threads\n\n", isRealtime ? "SCHED_FIFO waits" : "normal policy",
                busyThreads);
    struct Interval {
        int16_t length, unit;
        int count;
    };
    const Interval intervals[] = {{26, 1, 10000}, {2600, 1, 500}, {55, 2, 20}, {650, 2, 3}};
    std::printf("| method      |  interval   |  count | median µs | p99 µs | p99.9 µs |  max µs  | CPU    |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const Interval& i : intervals) {
        const int16_t index = delay.DefineDelay(i.length, i.unit);
        const nanoseconds nominal = plain.interval(index);
        // Through the interface, as the panel calls it: after a long sleep even
        // the return from a virtual call is measurably slower.
        intervalRow("WaitDelay", nominal, i.count * scale, [&] { delay.WaitDelay(index); });
        intervalRow("sleep_for", nominal, std::max(3, i.count * scale / 2),
                    [&] { std::this_thread::sleep_for(nominal); });
    }
    if (!measureRuns)
        return 0;

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    std::printf("\n| run                            | repaint | nominal     | wall        | ratio   | CPU    |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const RunCase runs[] = {
        {"up 5k steps, High, Encoder 1", "High", "1", 5000},
        {"up 1000 steps, High, Encoder 2", "High", "2", 1000},
        {"up 5k steps, Low, Encoder 1", "Low", "1", 5000},
    };
    for (const RunCase& c : runs) {
        runRow(c, true, isRealtime);
        // The slow run is long; its repaint-off twin only with --full.
        if (isFull || c.speed[0] == 'H')
            runRow(c, false, isRealtime);
    }
    return 0;
}
