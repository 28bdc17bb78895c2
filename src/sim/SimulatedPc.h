#pragma once
// The PC the simulated rig is plugged into: it has one parallel port, at the
// rig's base, and follows the hardware backends' rules for every other
// address. Until endStartup() the standard ports' rest registers read 255 and
// take writes to nowhere, as on a PC without those cards; from then on, and
// for any other address at any time, an access is refused with PortRefused
// before anything is written, as is a write to the read-only status register
// of a standard base. So a Port text that names another port never moves the
// displays without moving the rig.

#include "hw/PortRules.h"
#include "lines/LineMap.h"
#include "sim/SimulatedRig.h"

#include <optional>
#include <string>

class SimulatedPc : public HardwarePort
{
public:
    // The rig must outlive the PC; base: where it sits (--rig-port).
    SimulatedPc(SimulatedRig& rig, uint16_t base);

    int16_t Inp32(int16_t address) override;
    void Out32(int16_t address, int16_t value) override;
    void checkAccess(int16_t address, bool write) const override;

protected:
    std::string refusal(uint16_t address) const override;

private:
    // The register address names, or nullopt for an absent port at start-up.
    std::optional<unsigned> route(uint16_t address, bool write) const;

    SimulatedRig& rig_;
    LineMap map_; // for the addresses only; the rig keeps the registers
};
