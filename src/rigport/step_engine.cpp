// The step engine: runs a signed step count off as encoder steps and moves the
// frequency record with every step, since the rig's frequency cannot be read.
#include "panel/runs.h"
#include "rules/EncoderKind.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

void Corvane::dosteps()
{
    const Busy running(*this);
    if (nsteps < 0)
        up();
    else
        dn();
}

void Corvane::up() { runOff(true); }
void Corvane::dn() { runOff(false); }

void Corvane::runOff(bool upward)
{
    const std::optional<rules::Encoder> kind = rules::encoderKind(Encoder->currentText());
    const bool halfCycles = kind == rules::Encoder::halfCycles;
    if (kind) {
        while (upward ? nsteps < 0 : nsteps > 0) {
            // Stopped: the steps not played are dropped, never counted.
            if (stopRequested()) {
                nsteps = 0;
                break;
            }
            if (!halfCycles)
                upward ? up2() : dn2();
            else if (enc_high)
                upward ? up1a() : dn1a();
            else
                upward ? up1b() : dn1b();
            nsteps += upward ? 1 : -1;
            moveFrequency(upward ? step_khz : -step_khz);
        }
    }
    show_enc();
}

void Corvane::moveFrequency(double delta_khz)
{
    // The frequency lives in the display text and passes through its 15-digit
    // form at every step, so rounding errors never pile up: 5000 steps of 0.2
    // from 7040 end at exactly 8040.
    const double rx = numtext::toDouble(Text3->text(), names::rcvFreq) + delta_khz;
    Text3->setText(numtext::toText(rx));
    if (!RIT_ON->isChecked())
        Text1->setText(Text3->text());
    serveIfDue();
}
