#pragma once
// The chain of port and delay layers the panel reaches the rig through, built
// once at start-up from the command line's choices. From the panel inwards:
//
//   port:   rig console (simulated rig only) > trace > pacing > backend
//   timer:  trace > realtime > pacing > precise delay
//
// Pacing is innermost, so the work between two line changes (tracing, the
// rig's console) is done inside the gap, not added to it. The rig console is
// outermost, so that what the simulated rig says follows the trace line of its
// cause. Trace and rig console write to `out`.

#include "Module1.h"
#include "hw/PortRules.h"
#include "sim/RigConsole.h"
#include "sim/SimulatedPc.h"
#include "sim/SimulatedRig.h"
#include "timing/EdgePacer.h"
#include "timing/PreciseDelay.h"
#include "timing/RealtimeDelay.h"
#include "timing/Serving.h"
#include "timing/SteadyClock.h"
#include "trace/Trace.h"

#include <cstdio>
#include <memory>
#include <optional>

namespace app
{

struct IoChainOptions {
    bool trace = false;    // every access and wait, one line each
    bool realtime = false; // the waits of a run under SCHED_FIFO where allowed
    std::FILE* out = stderr;
    Serving* serving = nullptr; // what the long waits serve; must outlive the chain
    // What --realtime raises and lowers; the calling thread's policy unless a
    // test hands in its own.
    RealtimeDelay::Scheduler scheduler = RealtimeDelay::Scheduler::thisThread();
};

class IoChain
{
public:
    // hardware: the opened hardware backend, or null for the simulated rig,
    // which is then built from `rig` on the steady clock and plugged into a
    // simulated PC with one port, at its base. A hardware backend must outlive
    // the chain.
    IoChain(HardwarePort* hardware, const RigSettings& rig, const IoChainOptions& options);
    IoChain(const IoChain&) = delete;
    IoChain& operator=(const IoChain&) = delete;

    PortIo& port() { return *port_; }
    DelayTimer& timer() { return *timer_; }
    EdgePacer& pacer() { return pacer_; }
    // The simulated rig, or null on hardware.
    const SimulatedRig* rig() const { return rig_ ? &*rig_ : nullptr; }
    // What the simulated rig says (its annunciations), or null on hardware.
    RigConsole* rigConsole() { return rigConsole_ ? &*rigConsole_ : nullptr; }

    // Start-up's writes are done: from now on a standard port the PC lacks is
    // refused like any other absent port.
    void endStartup();
    // An action has ended: a raised scheduling class drops back (--realtime).
    void actionEnded();
    // Throws PortRefused when the access would be refused; writes nothing.
    void checkAccess(int16_t address, bool write) const;

private:
    std::optional<SimulatedRig> rig_;
    std::optional<SimulatedPc> simulatedPc_;
    HardwarePort* hardware_;
    SteadyClock clock_;
    PreciseDelay delay_;
    EdgePacer pacer_;
    PacedDelay pacedDelay_;
    PacedPort pacedPort_;
    std::unique_ptr<RealtimeDelay> realtime_;
    std::unique_ptr<TracingPort> tracingPort_;
    std::unique_ptr<TracingTimer> tracingTimer_;
    std::optional<RigConsole> rigConsole_;
    PortIo* port_ = nullptr;
    DelayTimer* timer_ = nullptr;
};

} // namespace app
