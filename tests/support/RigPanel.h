#pragma once
// The real window wired straight to a simulated rig, both on one fake clock:
// what the panel believes can be held against what the rig did.

#include "panel/Corvane.h"
#include "panel/NumberText.h"
#include "sim/SimulatedRig.h"
#include "support/Fakes.h"

#include <QLineEdit>

#include <cmath>
#include <cstdint>

struct RigPanel {
    explicit RigPanel(const RigSettings& settings)
        : rig(settings, clock.reader()), delay(clock), panel(rig, delay)
    {
        panel.setDisplayClock(clock.reader());
    }

    FakeClock clock;
    SimulatedRig rig;
    ClockedDelay delay;
    Corvane panel;
};

// A display's kHz number in Hz, or -1 when it is no whole number of Hz.
inline int64_t displayHz(const QLineEdit* display)
{
    const double hz = numtext::toDouble(display->text(), display->objectName()) * 1000;
    const double whole = std::round(hz);
    return std::abs(hz - whole) < 1e-6 ? static_cast<int64_t>(whole) : -1;
}
