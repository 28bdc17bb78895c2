#include "sim/SimulatedPc.h"

SimulatedPc::SimulatedPc(SimulatedRig& rig, uint16_t base) : rig_(rig), map_(base) {}

std::optional<unsigned> SimulatedPc::route(uint16_t address, bool write) const
{
    return registerFor(map_, address, write, "parallel port");
}

void SimulatedPc::checkAccess(int16_t address, bool write) const
{
    route(static_cast<uint16_t>(address), write);
}

int16_t SimulatedPc::Inp32(int16_t address)
{
    return route(static_cast<uint16_t>(address), false) ? rig_.Inp32(address) : absentReading;
}

void SimulatedPc::Out32(int16_t address, int16_t value)
{
    if (route(static_cast<uint16_t>(address), true))
        rig_.Out32(address, value);
}

std::string SimulatedPc::refusal(uint16_t address) const
{
    return "no parallel port at " + std::to_string(address) + " (the simulated PC has one, at " +
           std::to_string(map_.base()) + "); the rig's port is --rig-port";
}
