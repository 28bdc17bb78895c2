#pragma once
// Four lines of a GPIO chip as the panel's PortIo, through the kernel's GPIO
// character device (uAPI v2, Linux 5.10 or later): for PCs without a parallel
// port, a Raspberry Pi's header or a USB GPIO adapter.
//
// The backend stands where a parallel port would, at one base address
// (GpioSettings::base), and keeps that port's three registers. Every write to
// one of them becomes the line levels LineMap gives, set in one call for the
// lines that register drives (both encoder lines together). Reads give back
// the byte last written, as the data register of a port does; the control
// register reads 244 and the others 255 before the first write, the bytes
// the lines start at (all four high: encoder at rest, key up, RIT off).
//
// Addresses are the unsigned value of the 16-bit argument. Until endStartup(),
// base and base+2 of a standard port at another address act as an absent port
// (isRestRegister), since start-up writes them on every PC. Any other address,
// and the status register of a standard base, throws PortRefused before
// anything is written; a failing kernel call throws std::runtime_error.
//
// Construction opens the chip, finds the lines (by offset or by name) and
// requests all four as outputs at rest, consumer "corvane", for the life of
// the object, so that no other program can take them meanwhile. It throws
// StartupError with one line that names the fix. A line with activeLow set is
// inverted by the kernel: for a rig input behind an inverting stage.

#include "hw/GpioSettings.h"
#include "hw/PortRules.h"
#include "hw/SystemIo.h"
#include "lines/LineMap.h"

#include <array>
#include <optional>
#include <string>

class GpioPort : public HardwarePort
{
public:
    GpioPort(SystemIo& system, const GpioSettings& settings);
    ~GpioPort() override;
    GpioPort(const GpioPort&) = delete;
    GpioPort& operator=(const GpioPort&) = delete;

    int16_t Inp32(int16_t address) override;
    void Out32(int16_t address, int16_t value) override;
    void checkAccess(int16_t address, bool write) const override;

    // "GPIO: gpiochip0 lines 17, 27, 22, 23 (encoder A, B, key, RIT), push-pull, at port 888"
    std::string summary() const;

    // The line offsets, in the order encoder A, encoder B, key, RIT.
    const std::array<uint32_t, 4>& offsets() const { return offsets_; }

private:
    std::string refusal(uint16_t address) const override;
    // The register an access goes to, or nullopt for an absent port's; throws
    // PortRefused as checkAccess does.
    std::optional<unsigned> route(uint16_t address, bool write) const;
    uint32_t findLine(int chipFd, const std::string& text, uint32_t lineCount);
    void request(int chipFd, const GpioSettings& settings);
    std::string busyLine(int chipFd);
    // One set-values call for the lines of drive; throws std::runtime_error.
    void setLines(const lines::Drive& drive);

    SystemIo& system_;
    std::string chipName_;
    std::string drive_;
    std::array<uint32_t, 4> offsets_{};
    int linesFd_ = -1;
    LineMap map_;
};
