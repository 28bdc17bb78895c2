#pragma once
// What the benches of a running panel share: the panel built as the program
// builds it (one action runner, the paced delay library serving the long waits
// through it, the port behind the pacer), the event loop served for a while,
// and percentiles.

#include "actions/ActionRunner.h"
#include "panel/Corvane.h"
#include "timing/EdgePacer.h"
#include "timing/PreciseDelay.h"
#include "timing/SteadyClock.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

struct PacedPanel {
    // port: what the pacer paces, the simulated rig say; must outlive this.
    explicit PacedPanel(PortIo& port) : pacedPort(port, pacer) {}
    ActionRunner runner;
    SteadyClock clock;
    PreciseDelay delay{clock};
    EdgePacer pacer{clock, &runner};
    PacedDelay pacedDelay{delay, pacer};
    PacedPort pacedPort;
    Corvane panel{pacedPort, pacedDelay, runner};
};

// Runs the event loop for `span`, as an idle program does.
inline void serveFor(std::chrono::milliseconds span)
{
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

// The p-th (0..1) of `sorted`, which must not be empty.
inline double percentile(const std::vector<double>& sorted, double p)
{
    const auto i = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

// A client on a thread of its own that asks the program something every so
// often and times each answer, until stopped.
class TimedClient
{
public:
    // Serves the client's last request while it finishes; the times in ms, sorted.
    std::vector<double> stop()
    {
        done_ = true;
        while (!finished_)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        thread_.join();
        std::sort(ms_.begin(), ms_.end());
        return ms_;
    }

protected:
    // Runs `body` on the client's thread; call once, from the constructor.
    void start(std::function<void()> body)
    {
        thread_ = std::thread([this, body = std::move(body)] {
            body();
            finished_ = true;
        });
    }
    // Inside the body: asks every `period` until stopped, or until `ask`
    // returns false, timing each.
    void askEvery(std::chrono::milliseconds period, const std::function<bool()>& ask)
    {
        auto next = std::chrono::steady_clock::now();
        while (!done_) {
            const auto asked = std::chrono::steady_clock::now();
            if (!ask())
                return;
            ms_.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - asked).count());
            next += period;
            std::this_thread::sleep_until(next);
        }
    }

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> finished_{false};
    std::vector<double> ms_;
    std::thread thread_;
};
