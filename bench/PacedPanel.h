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
#include <chrono>
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
