#pragma once
// A parallel port in memory, for work without hardware: every address is a
// register that reads back the last byte written to it, 255 if never written
// (an open TTL input floats high).

#include "Module1.h"

#include <array>

class SimulatedPort : public PortIo {
public:
    SimulatedPort() { registers_.fill(255); }
    int16_t Inp32(int16_t address) override { return registers_[index(address)]; }
    void Out32(int16_t address, int16_t value) override
    {
        registers_[index(address)] = static_cast<uint8_t>(value & 0xff);
    }

private:
    static size_t index(int16_t address) { return static_cast<uint16_t>(address); }
    std::array<uint8_t, 65536> registers_{};
};
