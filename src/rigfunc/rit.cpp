// RIT: the rig's RIT line. While it is on the rig tunes its receive frequency
// alone, in 50 Hz steps; the transmit/receive step record is kept aside and
// restored when RIT goes off. A switch that did not reach the port is rolled
// back here. The wiring of the rig-function controls lives here too.
#include "panel/Corvane.h"
#include "rules/Steps.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

void Corvane::RIT_ON_Click()
{
    step_hz = rules::fineStepHz;
    step_khz = rules::fineStepKhz;
    Text2->setText(QStringLiteral(" 50 Hz steps R"));
    const bool std_port = is_std_port();
    rit_line(std_port, true);
}

void Corvane::RIT_OFF_Click()
{
    step_hz = tr_step_hz;
    step_khz = tr_step_khz;
    const bool std_port = is_std_port();
    rit_line(std_port, false);
    Text2->setText(tr_step_label);
    // Receive comes back to transmit: the text as it stands, not reconverted.
    Text3->setText(Text1->text());
}

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
