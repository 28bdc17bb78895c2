#pragma once
// The two outside libraries the panel drives the rig through: port I/O and the
// precise delay. Nothing else in the program touches hardware or time.

#include <cstdint>

class PortIo {
public:
    virtual ~PortIo() = default;
    virtual int16_t Inp32(int16_t address) = 0;            // low byte = register contents
    virtual void Out32(int16_t address, int16_t value) = 0;  // writes the low byte
};

class DelayTimer {
public:
    virtual ~DelayTimer() = default;
    virtual int16_t DefineDelay(int16_t length, int16_t unit) = 0;
    virtual void WaitDelay(int16_t index) = 0;
};
