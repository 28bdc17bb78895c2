// The step-size toggle. The rig's step cannot be read back: the record here
// follows the key presses the program gives, and starts at the rig's 200 Hz.
#include "panel/runs.h"
#include "rules/Steps.h"

#include <QLineEdit>
#include <QRadioButton>

void Corvane::step_tog()
{
    // With RIT on the rig tunes the receiver alone in 50 Hz steps; the step
    // key would mean nothing to the record.
    if (RIT_ON->isChecked())
        return;
    const Busy running(*this);
    pressKey(2);
    timer_.WaitDelay(2);

    // Right after the toggle the display shows the 50 Hz caption with two
    // blanks; the remembered label has one, as long as "200 Hz steps T/R".
    if (step_hz == rules::coarseStepHz) {
        step_hz = rules::fineStepHz;
        Text2->setText(QStringLiteral("  50 Hz steps T/R"));
    } else {
        step_hz = rules::coarseStepHz;
        Text2->setText(QStringLiteral("200 Hz steps T/R"));
    }
    if (step_hz == rules::coarseStepHz) {
        step_khz = rules::coarseStepKhz;
        tr_step_hz = rules::coarseStepHz;
        tr_step_khz = rules::coarseStepKhz;
        tr_step_label = QStringLiteral("200 Hz steps T/R");
    } else {
        step_khz = rules::fineStepKhz;
        tr_step_hz = rules::fineStepHz;
        tr_step_khz = rules::fineStepKhz;
        tr_step_label = QStringLiteral(" 50 Hz steps T/R");
    }
}

void Corvane::Command2_Click() { step_tog(); }
