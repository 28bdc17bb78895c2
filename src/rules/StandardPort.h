#pragma once
// The standard parallel-port bases, 632, 888 and 956 (0x278, 0x378, 0x3BC):
// ports whose key and RIT lines are bits 0 and 1 of the control register at
// base+2, driven through inverters. Any other base carries the key at base+1
// and RIT at base+2 as whole bytes. A Port text names a standard port when it
// converts to one of these numbers exactly, so "888", " 888", "888.0" and
// "0888" are the same port; a text that is no number names none.
//
// This header is free of Qt so the hardware backends can share it.

#include <array>
#include <cstdint>

namespace rules
{

inline constexpr std::array<uint16_t, 3> standardBases{632, 888, 956};
// The first parallel port of a PC: where the panel starts and the simulated
// rig sits unless told otherwise.
inline constexpr uint16_t defaultBase = standardBases[1];

constexpr bool isStandardBase(double base)
{
    for (const uint16_t standard : standardBases)
        if (base == standard)
            return true;
    return false;
}

} // namespace rules
