#include "app/IoChain.h"

#include <chrono>

namespace app
{

namespace
{

HardwarePort& backendOf(HardwarePort* hardware, std::optional<SimulatedRig>& rig,
                        std::optional<SimulatedPc>& pc, const RigSettings& settings)
{
    if (hardware)
        return *hardware;
    rig.emplace(settings, [] { return std::chrono::steady_clock::now(); });
    return pc.emplace(*rig, static_cast<uint16_t>(settings.base));
}

} // namespace

IoChain::IoChain(HardwarePort* hardware, const RigSettings& rig, const IoChainOptions& options)
    : hardware_(&backendOf(hardware, rig_, simulatedPc_, rig)), delay_(clock_),
      pacer_(clock_, options.serving), pacedDelay_(delay_, pacer_), pacedPort_(*hardware_, pacer_),
      port_(&pacedPort_), timer_(&pacedDelay_)
{
    if (options.realtime) {
        realtime_ = std::make_unique<RealtimeDelay>(*timer_, options.scheduler);
        timer_ = realtime_.get();
    }
    if (options.trace) {
        tracingPort_ = std::make_unique<TracingPort>(*port_, options.out);
        tracingTimer_ = std::make_unique<TracingTimer>(*timer_, options.out);
        port_ = tracingPort_.get();
        timer_ = tracingTimer_.get();
    }
    // A real port has no simulated rig to hear.
    if (rig_)
        port_ = &rigConsole_.emplace(*port_, *rig_, options.out, options.trace);
}

void IoChain::endStartup()
{
    hardware_->endStartup();
}

void IoChain::actionEnded()
{
    if (realtime_)
        realtime_->actionEnded();
}

void IoChain::checkAccess(int16_t address, bool write) const
{
    hardware_->checkAccess(address, write);
}

} // namespace app
