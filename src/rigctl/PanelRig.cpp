#include "rigctl/PanelRig.h"

#include "panel/Corvane.h"
#include "panel/NumberText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>
#include <cstdlib>

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
    const QStringView name = rit ? u"Text3" : u"Text1";
    return toHz(numtext::toDouble(display->text(), name), name);
}

int64_t PanelRig::ritOffsetHz()
{
    if (!panel_.RIT_ON->isChecked())
        return 0;
    const double rx = numtext::toDouble(panel_.Text3->text(), u"Text3");
    const double tx = numtext::toDouble(panel_.Text1->text(), u"Text1");
    return toHz(rx - tx, u"the RIT offset");
}

bool PanelRig::tune(double hz, ClientId)
{
    // A whole number of 50 Hz steps divided by 20 is the kHz value whose text
    // "E" reads back onto its 50 Hz grid.
    const double khz = std::round(hz / 50) / 20;
    // Until a model is chosen both limits are 0, and "E" refuses everything.
    if (!(khz >= 540 && khz <= 25000 && khz >= panel_.tune_low && khz <= panel_.tune_high))
        return false;
    // The engine sends nothing for another encoder kind: the move would never come.
    const QString kind = panel_.Encoder->currentText();
    if (kind != u"1" && kind != u"2")
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
    const double from =
        numtext::toDouble((rit ? panel_.Text3 : panel_.Text1)->text(), rit ? u"Text3" : u"Text1");
    // The data register carries every step; the key line is pressed only when
    // "E" switches the rig's step, which it does for a run at the other size.
    const int16_t data = panel_.port_base(0);
    const auto fifties = static_cast<long long>(std::llround((from - khz) * 20));
    const bool fine = fifties % 4 != 0;
    const bool coarse = std::llabs(fifties) >= 4;
    const bool switches = !rit && ((panel_.step_hz == 200 && fine) || (panel_.step_hz == 50 && coarse));
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
