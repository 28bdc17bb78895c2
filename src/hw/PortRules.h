#pragma once
// What the hardware port backends share: their two errors, their common base,
// and the rule for the standard ports' registers that start-up writes on every PC.

#include "Module1.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

class LineMap;

// An access the backend will not make. Thrown before anything is written; a
// click reports the message through the window's actionFailed.
class PortRefused : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A backend that cannot start. The message is one line that says what to do.
class StartupError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Start-up puts base and base+2 of the standard ports 632, 888 and 956 at rest
// whatever the PC has.
bool isRestRegister(uint16_t address);
inline constexpr int16_t absentReading = 255;

// A port backend on real hardware. Addresses are the unsigned value of the
// 16-bit argument.
//
// Until endStartup() a rest register that no port answers acts as the bus does
// for an absent card: reads give absentReading, writes go nowhere. From then on
// it is refused like any other unknown address, so a Port text naming a
// standard port the PC lacks never moves the displays without moving the rig.
class HardwarePort : public PortIo
{
public:
    // Start-up has ended; called once, when the panel has been built.
    void endStartup() { startingUp_ = false; }

    // Throws PortRefused when Inp32 (write false) or Out32 (write true) of
    // address would be refused; touches nothing either way.
    virtual void checkAccess(int16_t address, bool write) const = 0;

protected:
    // For an address that no port of the backend answers: returns during
    // start-up for a rest register, else throws PortRefused(refusal(address)).
    void absentOrRefuse(uint16_t address) const;
    // The one-line message for an address no port answers; it names the ports
    // the backend reaches and what to do about others.
    virtual std::string refusal(uint16_t address) const = 0;
    // The register of `map` that address names, for a backend with one port
    // laid out by a LineMap: nullopt for an absent port at start-up; else, as
    // absentOrRefuse() and statusRefused() would, throws PortRefused.
    std::optional<unsigned> registerFor(const LineMap& map, uint16_t address, bool write,
                                        const char* portName) const;
    // The refusal of a write to the read-only status register of the port at
    // base, which the message calls portName ("parallel port").
    static PortRefused statusRefused(uint16_t address, uint16_t base, const char* portName);

private:
    bool startingUp_ = true;
};

// The text of an errno value (either sign), lower case: "permission denied".
std::string errorText(int error);
