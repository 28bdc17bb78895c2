#pragma once
// The real window wired straight to a simulated rig, both on one fake clock:
// what the panel believes can be held against what the rig did. Or wired
// through the GPIO backend on an in-memory chip whose lines the rig listens on
// (lines set active-low reach it through an inverting stage).

#include "hw/GpioPort.h"
#include "panel/Corvane.h"
#include "sim/SimulatedRig.h"
#include "support/FakeSystem.h"
#include "support/Fakes.h"
#include "text/NumberText.h"
#include "timing/PreciseDelay.h"

#include <QLineEdit>

#include <cmath>
#include <cstdint>
#include <optional>

struct RigPanel {
    // gpioActiveLow: through GPIO with these lines (lines:: mask) active-low.
    explicit RigPanel(const RigSettings& settings, std::optional<unsigned> gpioActiveLow = std::nullopt)
        : rig(settings, clock.reader()), delay(clock), panel(port(settings, gpioActiveLow), delay)
    {
        panel.setDisplayClock(clock.reader());
    }

    FakeClock clock;
    SimulatedRig rig;
    TrafficLog log;
    FakeSystem system{log};
    std::optional<GpioPort> gpio;
    PreciseDelay delay;
    Corvane panel;

private:
    PortIo& port(const RigSettings& settings, std::optional<unsigned> activeLow)
    {
        if (!activeLow)
            return rig;
        system.addGpioChip(std::vector<std::string>(8));
        system.logGpioSets = false;
        system.onGpioLevels = [this, activeLow](const std::vector<std::pair<uint32_t, bool>>& levels) {
            lines::Drive drive;
            for (const auto& [offset, high] : levels) {
                const unsigned line = 1u << offset; // lines 0..3 carry A, B, key, RIT
                drive.lines |= line;
                if (high != bool(*activeLow & line))
                    drive.high |= line;
            }
            rig.linesDriven(drive);
        };
        GpioSettings gpioSettings{"gpiochip0", {"0", "1", "2", "3"}, *activeLow, false,
                                  static_cast<uint16_t>(settings.base)};
        return gpio.emplace(system, gpioSettings);
    }
};

// A display's kHz number in Hz, or -1 when it is no whole number of Hz.
inline int64_t displayHz(const QLineEdit* display)
{
    const double hz = numtext::toDouble(display->text(), display->objectName()) * 1000;
    const double whole = std::round(hz);
    return std::abs(hz - whole) < 1e-6 ? static_cast<int64_t>(whole) : -1;
}
