// RIT: the rig's RIT line. While it is on the rig tunes its receive frequency
// alone, in 50 Hz steps; the transmit/receive step record is kept aside and
// restored when RIT goes off.
#include "panel/Corvane.h"

#include <QLineEdit>

void Corvane::RIT_ON_Click()
{
    step_hz = 50;
    step_khz = 0.05;
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
