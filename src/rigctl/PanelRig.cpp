#include "rigctl/PanelRig.h"

#include "panel/Corvane.h"
#include "rules/EncoderKind.h"
#include "rules/GoTo.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>

namespace rigctl {

namespace {

int64_t toHz(double khz, QStringView what)
{
    const double hz = std::round(khz * 1000);
    // Whole Hz in a 64-bit count; a display far beyond any band would not fit.
    if (!(std::abs(hz) < 0x1p63))
        throw numtext::ConversionError(
            QStringLiteral("%1 (%2 kHz) is out of range").arg(what).arg(khz).toStdString());
    return static_cast<int64_t>(hz);
}

// Puts the operator's half-typed entry back however "E" ends.
class EntryKeeper {
public:
    explicit EntryKeeper(QLineEdit* entry) : entry_(entry), saved_(entry->text()) {}
    ~EntryKeeper() { entry_->setText(saved_); }
    EntryKeeper(const EntryKeeper&) = delete;
    EntryKeeper& operator=(const EntryKeeper&) = delete;

private:
    QLineEdit* entry_;
    QString saved_;
};

} // namespace

PanelRig::PanelRig(Corvane& panel, PortCheck checkPort) : panel_(panel), checkPort_(std::move(checkPort)) {}

int64_t PanelRig::frequencyHz()
{
    const bool rit = panel_.RIT_ON->isChecked();
    const QLineEdit* display = rit ? panel_.Text3 : panel_.Text1;
    const QStringView name = rit ? names::rcvFreq : names::xmitFreq;
    return toHz(numtext::toDouble(display->text(), name), name);
}

int64_t PanelRig::ritOffsetHz()
{
    if (!panel_.RIT_ON->isChecked())
        return 0;
    const double rx = numtext::toDouble(panel_.Text3->text(), names::rcvFreq);
    const double tx = numtext::toDouble(panel_.Text1->text(), names::xmitFreq);
    return toHz(rx - tx, u"the RIT offset");
}

bool PanelRig::tune(double hz, ClientId)
{
    const double khz = rules::nearestOnGridKhz(hz);
    if (!rules::tunable(khz, panel_.tune_low, panel_.tune_high))
        return false;
    // The engine sends nothing for another encoder kind: the move would never come.
    if (!rules::encoderKind(panel_.Encoder->currentText()))
        return false;
    checkMove(khz);
    waiting_ = khz;
    // The older move has no one waiting for it any more: it ends after the
    // step under way, and the record it leaves is true.
    if (playing_)
        panel_.stopRun();
    if (!queued_) {
        queued_ = true;
        panel_.queueAction([this] { play(); });
    }
    return true;
}

void PanelRig::checkMove(double khz)
{
    const bool rit = panel_.RIT_ON->isChecked();
    const QLineEdit* current = rit ? panel_.Text3 : panel_.Text1;
    const double from = numtext::toDouble(current->text(), rit ? names::rcvFreq : names::xmitFreq);
    // The data register carries every step; the key line is pressed only when
    // "E" switches the rig's step. Planned as "E" plans it, from the entry it
    // will be given.
    const int16_t data = panel_.port_base(0);
    const QString entry = numtext::toText(khz);
    const rules::MovePlan plan =
        rules::planMove(from, numtext::toDouble(entry, names::freqEntry),
                        QStringLiteral("the step count from \"%1\" to \"%2\"").arg(current->text(), entry));
    const bool switches = rules::switchesStep(plan, panel_.step_hz, rit);
    const bool standard = panel_.is_std_port();
    const int16_t key = switches ? panel_.port_base(standard ? 2 : 1) : data;
    if (!checkPort_)
        return;
    checkPort_(data, true);
    checkPort_(data, false);
    if (switches) {
        if (standard)
            checkPort_(key, false);
        checkPort_(key, true);
    }
}

void PanelRig::play()
{
    queued_ = false;
    if (!waiting_)
        return;
    const double khz = *waiting_;
    waiting_.reset();
    const EntryKeeper keeper(panel_.Text5);
    panel_.Text5->setText(numtext::toText(khz));
    playing_ = true;
    try {
        panel_.Command26_Click();
    } catch (...) {
        playing_ = false;
        throw;
    }
    playing_ = false;
}

} // namespace rigctl
