// The rig's key line, and the wiring of the rig-function controls. How long the
// key is held tells the rig what is meant: the short hold (delay index 1) asks
// it to annunciate, the long one (index 2) switches its tuning step.
#include "panel/runs.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

void Corvane::setupRigFunc()
{
    connectClicks({{Command1, &Corvane::Command1_Click}, {Command2, &Corvane::Command2_Click}});
    // An option runs its action when it becomes selected, by click, keyboard or
    // program. A switch that did not reach the port must not look done: the
    // option, the step record and its caption go back to how they were, or the
    // next steps would move the record by a step the rig does not take.
    const auto switchRit = [this](Action handler, QRadioButton* previous) {
        runAction([this, handler, previous] {
            const int16_t hz = step_hz;
            const double khz = step_khz;
            const QString caption = Text2->text();
            try {
                (this->*handler)();
            } catch (...) {
                step_hz = hz;
                step_khz = khz;
                Text2->setText(caption);
                // Blocked, so that selecting it back runs no action of its own.
                const QSignalBlocker blockOn(RIT_ON);
                const QSignalBlocker blockOff(RIT_OFF);
                previous->setChecked(true);
                throw;
            }
        });
    };
    connect(RIT_ON, &QRadioButton::toggled, this, [this, switchRit](bool on) {
        if (on)
            switchRit(&Corvane::RIT_ON_Click, RIT_OFF);
    });
    connect(RIT_OFF, &QRadioButton::toggled, this, [this, switchRit](bool on) {
        if (on)
            switchRit(&Corvane::RIT_OFF_Click, RIT_ON);
    });
}

void Corvane::pressKey(int16_t holdDelay)
{
    const Busy running(*this);
    // Press and release are one: a stop or a close waits for the release. The
    // hold may be lent to serving once the press is out (the pacer waits its
    // full length all the same), so a press is never cut short.
    const bool std_port = is_std_port();
    const int16_t x = key_press(std_port);
    timer_.WaitDelay(holdDelay);
    key_release(std_port, x);
}

// Annunciate: the short press, with RIT on or off; no wait after the release.
void Corvane::Command1_Click() { pressKey(1); }
