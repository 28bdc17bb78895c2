// Start-up: the controls, the panel state, the rest state of the port lines and
// the four delays. Start-up always starts from the same state, so its port
// traffic is the same on every run; what the operator chose last time
// (app/Settings) is put on the panel only after it.
#include "panel/Corvane.h"
#include "rules/StandardPort.h"
#include "rules/Steps.h"
#include "text/NumberText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>

void Corvane::form_load()
{
    Port->setCurrentText(numtext::toText(rules::defaultBase));
    Encoder->setCurrentText(QStringLiteral("1"));

    // Selecting "RIT OFF" runs its action here, on the still unset step record:
    // of what it does only the read and write of register 890 survive the steps
    // below. It is called directly so that a failure escapes start-up.
    {
        const QSignalBlocker block(RIT_OFF);
        RIT_OFF->setChecked(true);
    }
    RIT_OFF_Click();
    RIT_ON->setChecked(false);

    step_hz = rules::coarseStepHz;
    tr_step_hz = rules::coarseStepHz;
    step_khz = rules::coarseStepKhz;
    tr_step_khz = rules::coarseStepKhz;
    tr_step_label = QStringLiteral("200 Hz steps T/R");
    Text2->setText(QStringLiteral("200 Hz steps T/R"));
    Text1->setText(numtext::toText(0));
    Text3->setText(numtext::toText(0));

    // Rest state of the three standard ports, whatever the Port text says:
    // both encoder lines high, control register 244 (key released, RIT off).
    for (const uint16_t base : rules::standardBases) {
        port_.Out32(static_cast<int16_t>(base), 255);
        port_.Out32(static_cast<int16_t>(base + 2), 244);
    }
    show_enc();
    Text5->setText(QString());

    // Index n names the n-th interval: 1 the short key press, 2 the long one,
    // 3 and 4 the encoder line changes at "Low" and "High" (unit 2 ms, 1 µs).
    timer_.DefineDelay(55, 2);
    timer_.DefineDelay(650, 2);
    timer_.DefineDelay(2600, 1);
    timer_.DefineDelay(26, 1);

    // Step 8 left the data registers at 255, whatever the readout shows.
    enc_high = true;

    {
        const QSignalBlocker block(speed);
        speed->setCurrentRow(1); // "Low"
    }
    speed_Click();
}
