// Pulse timing: how close each wait of the delay library comes to its interval,
// and how close whole runs of steps come to their nominal time, against a
// plain sleep_for. Prints a table; see --help.
#include "gpio_bench.h"
#include "panel/Corvane.h"
#include "sim/SimulatedPort.h"
#include "timing/EdgePacer.h"
#include "timing/PreciseDelay.h"
#include "timing/RealtimeDelay.h"
#include "timing/SteadyClock.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <thread>
#include <vector>

using namespace std::chrono;

namespace
{

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
    const double cpuShare =
        duration<double>(cpuTime() - cpu0) / duration<double>(steady_clock::now() - wall0);
    std::sort(overshoot.begin(), overshoot.end());
    std::printf("| %-11s | %8.0f µs | %6d | %8.2f | %8.2f | %8.2f | %9.2f | %5.1f %% |\n", method,
                duration<double, std::micro>(nominal).count(), count, percentile(overshoot, 0.5),
                percentile(overshoot, 0.99), percentile(overshoot, 0.999), overshoot.back(), 100 * cpuShare);
    std::fflush(stdout);
}

struct RunResult {
    const char* name;
    bool paced;
    double nominal, wall, cpu;
};
std::vector<RunResult> runs;

struct RunCase {
    const char* name;
    const char* speed;   // "High" or "Low"
    const char* encoder; // "1" or "2"
    int steps;           // up
};

// Stamps every write at the moment it reaches the (simulated) port.
class StampingPort : public PortIo
{
public:
    StampingPort()
    {
        // Neither a reallocation nor a first touch of a page inside a gap.
        writes.resize(1 << 16);
        writes.clear();
    }
    int16_t Inp32(int16_t address) override { return port_.Inp32(address); }
    void Out32(int16_t address, int16_t value) override
    {
        writes.push_back({address, steady_clock::now()});
        port_.Out32(address, value);
    }
    struct Write {
        int16_t address;
        steady_clock::time_point at;
    };
    std::vector<Write> writes;

private:
    SimulatedPort port_;
};

// The panel as the program builds it: paced waits, the port behind the pacer,
// the long waits serving the event loop. "blocking" is the naive baseline:
// every wait blocks where it is called.
struct Bench {
    explicit Bench(bool paced, bool realtime)
        : delay(clock), pacer(clock, paced ? &runner : nullptr), pacedDelay(delay, pacer),
          pacedPort(port, pacer), raised(paced ? static_cast<DelayTimer&>(pacedDelay) : delay),
          panel(paced ? static_cast<PortIo&>(pacedPort) : port,
                realtime ? static_cast<DelayTimer&>(raised)
                : paced  ? static_cast<DelayTimer&>(pacedDelay)
                         : delay,
                runner)
    {
        QObject::connect(&runner, &ActionRunner::ended, &runner, [this] { raised.actionEnded(); });
        panel.show();
        QCoreApplication::processEvents();
        panel.KRV->setCurrentRow(1);
    }
    ActionRunner runner;
    StampingPort port;
    SteadyClock clock;
    PreciseDelay delay;
    EdgePacer pacer;
    PacedDelay pacedDelay;
    PacedPort pacedPort;
    RealtimeDelay raised;
    Corvane panel;
};

struct Gaps {
    std::vector<double> us; // sorted
    double min() const { return us.front(); }
    double max() const { return us.back(); }
};

// The gaps between consecutive writes to one address from `first` on, in µs.
Gaps gapsAt(const std::vector<StampingPort::Write>& writes, size_t first, int16_t address)
{
    Gaps g;
    std::optional<steady_clock::time_point> last;
    for (size_t i = first; i < writes.size(); ++i) {
        if (writes[i].address != address)
            continue;
        if (last)
            g.us.push_back(duration<double, std::micro>(writes[i].at - *last).count());
        last = writes[i].at;
    }
    std::sort(g.us.begin(), g.us.end());
    return g;
}

void gapRow(const char* what, const char* method, double nominalUs, const Gaps& g)
{
    std::printf("| %-34s | %-8s | %9.1f | %6zu | %9.2f | %9.2f | %9.2f | %10.2f |\n", what, method, nominalUs,
                g.us.size(), g.min() - nominalUs, percentile(g.us, 0.5) - nominalUs,
                percentile(g.us, 0.99) - nominalUs, g.max() - nominalUs);
    std::fflush(stdout);
}

// One run through the real window and step engine; prints the gaps between
// encoder writes as they reached the port, and wall time over nominal time
// (the sum of the waits).
void runRow(const RunCase& c, bool paced, bool realtime)
{
    Bench b(paced, realtime);
    b.panel.speed->setCurrentRow(QString::fromLatin1(c.speed) == u"High" ? 0 : 1);
    b.panel.Encoder->setCurrentText(QString::fromLatin1(c.encoder));
    const int wavesPerStep = c.encoder[0] == '1' ? 2 : 4;
    const nanoseconds interval = b.delay.interval(b.panel.enc_delay);
    const nanoseconds nominal = interval * (wavesPerStep * c.steps);
    const size_t first = b.port.writes.size();

    b.panel.nsteps = -c.steps;
    const auto wall0 = steady_clock::now();
    const auto cpu0 = cpuTime();
    b.panel.dosteps(); // ends with the read-back, which waits out the last gap
    const auto wall = steady_clock::now() - wall0;
    const double cpuShare = duration<double>(cpuTime() - cpu0) / duration<double>(wall);
    QCoreApplication::processEvents();
    gapRow(c.name, paced ? "paced" : "blocking", duration<double, std::micro>(interval).count(),
           gapsAt(b.port.writes, first, 888));
    runs.push_back(
        {c.name, paced, duration<double>(nominal).count(), duration<double>(wall).count(), cpuShare});
}

// Key holds, press to release as written to the control register.
void holdRow(const char* what, int16_t delayIndex, int count, bool paced, bool realtime)
{
    Bench b(paced, realtime);
    const size_t first = b.port.writes.size();
    for (int i = 0; i < count; ++i) {
        delayIndex == 1 ? b.panel.Command1->click() : b.panel.Command2->click();
        QCoreApplication::processEvents();
    }
    b.panel.show_enc(); // the last wait, waited out
    Gaps holds;
    const auto& w = b.port.writes;
    for (size_t i = first; i + 1 < w.size(); ++i)
        if (w[i].address == 890 && w[i + 1].address == 890 && (i - first) % 2 == 0)
            holds.us.push_back(duration<double, std::micro>(w[i + 1].at - w[i].at).count());
    std::sort(holds.us.begin(), holds.us.end());
    gapRow(what, paced ? "paced" : "blocking",
           duration<double, std::micro>(b.delay.interval(delayIndex)).count(), holds);
}

// What the machine itself takes from a thread that never sleeps: the kernel's
// tick and, on a virtual machine, the host's own pauses. No gap shorter than
// such a stall can be kept whole whenever one falls on it, so this is the
// floor of a fast run's lateness here.
void machineFloor(RealtimeDelay* raised)
{
    if (raised)
        raised->WaitDelay(0); // the run's policy, without a wait
    const auto start = steady_clock::now();
    auto last = start;
    int stalls = 0;
    double stalledUs = 0, longestUs = 0;
    while (last - start < 1s) {
        const auto now = steady_clock::now();
        const double us = duration<double, std::micro>(now - last).count();
        if (us > 5) {
            ++stalls;
            stalledUs += us;
            longestUs = std::max(longestUs, us);
        }
        last = now;
    }
    if (raised)
        raised->actionEnded();
    const double totalUs = duration<double, std::micro>(last - start).count();
    std::printf(
        "\nThis machine: a thread spinning for 1 s was held up %d times for more than 5 µs, %.0f µs in all "
        "(%.2f %%), %.0f µs at the longest.\n",
        stalls, stalledUs, 100 * stalledUs / totalUs, longestUs);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window is built only for the runs, after the intervals are measured.
    std::optional<QCoreApplication> core(std::in_place, argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Pulse-timing benchmark of the delay library and the step engine."));
    parser.addHelpOption();
    const QCommandLineOption full(QStringLiteral("full"),
                                  QStringLiteral("More repetitions, and the slow run's blocking baseline too "
                                                 "(a minute more)."));
    const QCommandLineOption noRuns(QStringLiteral("no-runs"), QStringLiteral("Measure the intervals only."));
    const QCommandLineOption realtime(QStringLiteral("realtime"),
                                      QStringLiteral("Wait under SCHED_FIFO, as corvane --realtime does."));
    const QCommandLineOption load(QStringLiteral("load"),
                                  QStringLiteral("Keep N busy threads running meanwhile."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({full, noRuns, realtime, load});
    addGpioOptions(parser);
    parser.process(*core);
    gpioSection(parser);
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

    SteadyClock clock;
    PreciseDelay plain(clock);
    RealtimeDelay raised(plain);
    DelayTimer& delay = isRealtime ? static_cast<DelayTimer&>(raised) : plain;
    std::printf("%s, %d busy threads\n\n", isRealtime ? "SCHED_FIFO waits" : "normal policy", busyThreads);
    struct Interval {
        int16_t length, unit;
        int count;
    };
    const Interval intervals[] = {{26, 1, 10000}, {2600, 1, 500}, {55, 2, 20}, {650, 2, 3}};
    std::printf(
        "| method      |  interval   |  count | median µs | p99 µs | p99.9 µs |  max µs  | CPU    |\n");
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
    machineFloor(isRealtime ? &raised : nullptr);
    if (!measureRuns)
        return 0;

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    std::printf("\nGaps as they reached the port, µs beyond nominal (paced: as the program runs, serving "
                "between steps; blocking: the naive baseline)\n\n");
    std::printf("| what                               | method   | nominal µs |  count |   min   |  median  "
                "|    p99   "
                "|    max    |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    const RunCase cases[] = {
        {"up 5k steps, High, Encoder 1", "High", "1", 5000},
        {"up 1000 steps, High, Encoder 2", "High", "2", 1000},
        {"up 5k steps, Low, Encoder 1", "Low", "1", 5000},
    };
    for (const RunCase& c : cases)
        for (bool paced : {true, false})
            if (paced || isFull || c.speed[0] == 'H') // the slow baseline only with --full
                runRow(c, paced, isRealtime);
    for (bool paced : {true, false}) {
        holdRow("key hold, annunciate", 1, 10 * scale, paced, isRealtime);
        holdRow("key hold, step size", 2, 2 * scale, paced, isRealtime);
    }

    std::printf(
        "\n| run                            | method   | nominal     | wall        | ratio   | CPU    |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const RunResult& r : runs)
        std::printf("| %-30s | %-8s | %9.3f s | %9.3f s | %7.4f | %5.1f %% |\n", r.name,
                    r.paced ? "paced" : "blocking", r.nominal, r.wall, r.wall / r.nominal, 100 * r.cpu);
    return 0;
}
