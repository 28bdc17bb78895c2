#include "rigctl/PanelRig.h"

#include "panel/Corvane.h"
#include "panel/NumberText.h"

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

bool PanelRig::tune(double hz)
{
    // A whole number of 50 Hz steps divided by 20 is the kHz value whose text
    // "E" reads back onto its 50 Hz grid.
    const double khz = std::round(hz / 50) / 20;
    // Until a model is chosen both limits are 0, and "E" refuses everything.
    if (!(khz >= 540 && khz <= 25000 && khz >= panel_.tune_low && khz <= panel_.tune_high))
        return false;
    const EntryKeeper keeper(panel_.Text5);
    panel_.Text5->setText(numtext::toText(khz));
    panel_.Command26_Click();
    return true;
}

} // namespace rigctl
