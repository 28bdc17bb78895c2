// "E": tune the rig to the entered frequency. The rig can only be stepped, in
// 200 Hz or 50 Hz steps, so the difference from the frequency on record is
// split into a run of 50 Hz steps and a run of 200 Hz steps.
#include "panel/NumberText.h"
#include "panel/runs.h"

#include <QLineEdit>
#include <QRadioButton>

#include <cmath>

namespace {

// Empties the entry however "E" ends, refusals and failures included.
struct EntryClearer {
    QLineEdit* entry;
    ~EntryClearer() { entry->clear(); }
};

} // namespace

void Corvane::Command26_Click()
{
    const Busy running(*this);
    const EntryClearer clearer{Text5};
    const QString entry = Text5->text();

    const double leading = numtext::leadingNumber(entry);
    if (leading < 540 || leading > 25000)
        return;
    const double target = numtext::toDouble(entry, u"Text5");
    // No model chosen: both limits are 0 and every entry is refused here.
    if (target < tune_low || target > tune_high)
        return;
    // On the 50 Hz grid once rounded to 10 Hz: 7030.05 and 7030.0501 pass,
    // 7030.045 does not (703004.5 rounds to the even 703004).
    if (std::fmod(numtext::roundHalfEven(target * 100), 5) != 0)
        return;

    const bool rit = RIT_ON->isChecked();
    QLineEdit* const current = rit ? Text3 : Text1;
    const double diff = numtext::toDouble(current->text(), rit ? u"Text3" : u"Text1") - target;

    // What is left beyond whole 200 Hz steps, in 50 Hz steps; the remainder
    // takes the sign of the dividend. The rounding of the coarse part absorbs
    // the representation error of decimal kHz (9.95 is 9.949999999999818).
    const double hundredths = numtext::roundHalfEven(diff * 100);
    const int16_t fine = numtext::roundToInt16(std::fmod(hundredths, 20) * 0.2, u"the 50 Hz step count");
    const QString span = QStringLiteral("the step count from \"%1\" to \"%2\"").arg(current->text(), entry);
    const int32_t coarse = numtext::roundToInt32((diff - fine * 0.05) / 0.2, span);
    fine_steps = fine;
    coarse_steps = coarse;

    if (RIT_ON->isChecked()) {
        // The step is 50 Hz while RIT is on; only the receiver moves. The total
        // in 50 Hz steps is four times the coarse count and may not fit a count.
        nsteps = numtext::roundToInt32(static_cast<double>(coarse) * 4 + fine, span);
        dosteps();
        timer_.WaitDelay(1);
        return;
    }
    if (fine_steps != 0)
        runAtStep(50, fine_steps);
    // Stopped during the first run: the second is dropped whole.
    if (coarse_steps != 0 && !stopRequested())
        runAtStep(200, coarse_steps);
}

void Corvane::runAtStep(int16_t stepHz, int32_t count)
{
    // Every switch of the rig's step is undone right after its run, so "E"
    // leaves the step size as it found it.
    const int16_t before = step_hz;
    const bool switchStep = before == (stepHz == 50 ? 200 : 50);
    if (switchStep)
        toggleStepTo(stepHz);
    nsteps = count;
    dosteps();
    timer_.WaitDelay(1);
    if (switchStep)
        toggleStepTo(before);
}

void Corvane::toggleStepTo(int16_t stepHz)
{
    step_tog();
    // step_tog always flips the record while RIT is off; should it ever not,
    // waiting for it would hang the panel for good.
    if (step_hz != stepHz)
        throw std::runtime_error(
            QStringLiteral("Step size: the step record stayed at %1 Hz instead of %2 Hz")
                .arg(step_hz)
                .arg(stepHz)
                .toStdString());
}
