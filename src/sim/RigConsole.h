#pragma once
// What the simulated rig says, written to a stream once the port call that
// made it say something has returned: every annunciation on a line of its own
// ("7030.05"), and, with state lines on, after every change of the rig's state
//   rig <tx kHz> <rx kHz> <step Hz> <on|off>      e.g. "rig 7040.20 7040.20 200 off"
// Wrapped around the --trace port wrapper, these lines follow the `out` line
// of the write that caused them.
//
// The console takes over the rig's two callbacks for its lifetime. A change
// made outside a port call (SimulatedRig::tuneTo) is written after the next one.

#include "sim/SimulatedRig.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// One state line, without the line end.
std::string rigLine(const RigState& state);

class RigConsole : public PortIo {
public:
    RigConsole(PortIo& inner, SimulatedRig& rig, std::FILE* out, bool stateLines);
    ~RigConsole() override;
    RigConsole(const RigConsole&) = delete;
    RigConsole& operator=(const RigConsole&) = delete;

    int16_t Inp32(int16_t address) override;
    void Out32(int16_t address, int16_t value) override;

    // Also told every annunciation's text, after its line is written (its voice, say).
    std::function<void(const std::string& text)> onAnnunciation;

private:
    void flush();

    PortIo& inner_;
    SimulatedRig& rig_;
    std::FILE* out_;
    std::string pending_;
    std::vector<std::string> said_; // annunciations not yet passed on
};
