// "E": tune the rig to the entered frequency. The rig can only be stepped, in
// 200 Hz or 50 Hz steps, so the difference from the frequency on record is
// split into a run of 50 Hz steps and a run of 200 Hz steps.
#include "panel/runs.h"
#include "rules/GoTo.h"
#include "rules/Steps.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"

#include <QLineEdit>
#include <QRadioButton>

namespace
{

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

    const std::optional<double> target = rules::acceptedEntry(entry, tune_low, tune_high, names::freqEntry);
    if (!target)
        return;

    const bool rit = RIT_ON->isChecked();
    QLineEdit* const current = rit ? Text3 : Text1;
    const double from = numtext::toDouble(current->text(), rit ? names::rcvFreq : names::xmitFreq);
    const QString span = QStringLiteral("the step count from \"%1\" to \"%2\"").arg(current->text(), entry);
    const rules::MovePlan plan = rules::planMove(from, *target, span);
    fine_steps = plan.fineSteps;
    coarse_steps = plan.coarseSteps;

    if (RIT_ON->isChecked()) {
        // The step is 50 Hz while RIT is on; only the receiver moves.
        nsteps = rules::ritSteps(plan, span);
        dosteps();
        timer_.WaitDelay(1);
        return;
    }
    if (fine_steps != 0)
        runAtStep(rules::fineStepHz, fine_steps);
    // Stopped during the first run: the second is dropped whole.
    if (coarse_steps != 0 && !stopRequested())
        runAtStep(rules::coarseStepHz, coarse_steps);
}

void Corvane::runAtStep(int16_t stepHz, int32_t count)
{
    // Every switch of the rig's step is undone right after its run, so "E"
    // leaves the step size as it found it.
    const int16_t before = step_hz;
    const bool switchStep = before == (stepHz == rules::fineStepHz ? rules::coarseStepHz : rules::fineStepHz);
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
        throw std::runtime_error(QStringLiteral("Step size: the step record stayed at %1 Hz instead of %2 Hz")
                                     .arg(step_hz)
                                     .arg(stepHz)
                                     .toStdString());
}
