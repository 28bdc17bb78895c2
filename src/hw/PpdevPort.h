#pragma once
// The parallel ports of the kernel's ppdev driver as the panel's PortIo: the
// normal way to a rig, needing only access to /dev/parportN (group lp).
//
// Construction opens and claims every port the kernel lists, once for the life
// of the object, and sets its data lines to output (forward mode). Taking them
// all at once means that a Port text typed later finds its port ready, and that
// a missing permission ends the program at start-up rather than at a click.
//
// Addresses are the unsigned value of the 16-bit argument. For a port at base:
//   base     data register: read and written whole
//   base+1   status register: read only, a write is refused
//   base+2   control register, bits 0..3 (strobe, auto-feed, init, select);
//            higher bits written are dropped, since bit 5 would turn the data
//            lines into inputs; a read gives what the driver reports
// Base and base+2 of a standard port that the PC lacks act as an absent port
// during start-up (HardwarePort). Any other address throws PortRefused before
// anything is written, naming the PC's ports; a failing driver call throws
// std::runtime_error.
//
// Construction throws StartupError when the kernel lists no port, or when one
// cannot be opened or claimed.

#include "hw/PortRules.h"
#include "hw/SystemIo.h"

#include <string>
#include <vector>

class PpdevPort : public HardwarePort
{
public:
    explicit PpdevPort(SystemIo& system);
    ~PpdevPort() override;
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    int16_t Inp32(int16_t address) override;
    void Out32(int16_t address, int16_t value) override;
    void checkAccess(int16_t address, bool write) const override;

    // "ppdev: parallel port at 888 (/dev/parport0)", one entry per port.
    std::string summary() const;

private:
    struct Device {
        uint16_t base;
        std::string path;
        int fd;
    };

    void claim(int number, uint16_t base);
    void releaseAll();
    const Device* deviceAt(uint16_t address) const;
    // The device that answers at address; nullptr for an absent rest register.
    // Throws PortRefused for anything else it will not do.
    const Device* route(uint16_t address, bool write) const;
    std::string refusal(uint16_t address) const override;
    void call(const Device& device, unsigned long request, void* arg);

    SystemIo& system_;
    std::vector<Device> devices_;
};
