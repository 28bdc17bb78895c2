#pragma once
// Direct port I/O (ioperm, inb, outb) as the panel's PortIo, for cards that no
// kernel driver knows. Needs root or CAP_SYS_RAWIO, and an x86 PC.
//
// The Port text is free to edit, and a typo would otherwise write into whatever
// answers at that address (byte 254 to the keyboard controller at 0x64 resets
// the PC). So only addresses inside the parallel-port ranges of /proc/ioports
// and the ranges given with --allow-io are touched. Base and base+2 of a
// standard port outside them act as an absent port during start-up
// (HardwarePort); any other address throws PortRefused before anything is
// written, naming the ranges there are.
//
// Addresses are the unsigned value of the 16-bit argument. Each address is
// granted with ioperm once, before its first access.

#include "hw/PortRules.h"
#include "hw/SystemIo.h"

#include <bitset>
#include <string>
#include <string_view>
#include <vector>

// An inclusive range of I/O addresses.
struct IoRange {
    uint16_t first = 0;
    uint16_t last = 0;
    bool contains(uint16_t address) const { return address >= first && address <= last; }
    bool operator==(const IoRange&) const = default;
};

// "FIRST-LAST", each 0..65535 in decimal or 0x-hex ("888-890", "0xd010-0xd012").
// Throws StartupError naming the text.
IoRange parseIoRange(std::string_view text);

// The ranges of a /proc/ioports text whose owner is a parallel port
// ("  0378-037a : parport0"). Ranges shown as 0000-0000 (hidden from a user
// without CAP_SYS_ADMIN) are left out.
std::vector<IoRange> parallelPortRanges(std::string_view ioports);

class DirectPort : public HardwarePort
{
public:
    // Throws StartupError when the PC has no port instructions, when there is no
    // address to use, or when ioperm is denied.
    DirectPort(SystemIo& system, const std::vector<IoRange>& allowed);

    int16_t Inp32(int16_t address) override;
    void Out32(int16_t address, int16_t value) override;
    void checkAccess(int16_t address, bool write) const override;

    // "direct I/O at 888-890, 1912-1914"
    std::string summary() const;

private:
    bool permitted(uint16_t address) const;
    std::string ranges() const; // "888-890, 1912-1914"
    std::string refusal(uint16_t address) const override;
    int grant(uint16_t address); // 0 or -errno
    void grantOrThrow(uint16_t address);

    SystemIo& system_;
    std::vector<IoRange> ranges_;
    std::bitset<65536> granted_;
};
