#pragma once
// What the hardware port backends share: their two errors, and the rule for
// the standard ports' registers that start-up writes on every PC.

#include <cstdint>
#include <stdexcept>
#include <string>

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
// whatever the PC has. Where it has no port there, a backend acts as the bus
// does for an absent card: reads give absentReading, writes go nowhere.
bool isRestRegister(uint16_t address);
inline constexpr int16_t absentReading = 255;

// For an address that no port of the backend answers: returns for a rest
// register (the access is one to an absent port), else throws PortRefused
// "no parallel port at 264; other cards need --port direct".
void absentOrRefuse(uint16_t address);

// The text of an errno value (either sign), lower case: "permission denied".
std::string errorText(int error);
