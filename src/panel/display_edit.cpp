// Edits of "Xmit freq" and "Rcv freq". The displays are the record, so an edit
// counts only when it is whole: on Enter or on leaving the box, and only as a
// frequency the panel could have tuned to. Anything else puts the record back.
// The two readouts that are no input, the step caption and the encoder lines,
// cannot be typed into at all.
#include "panel/Corvane.h"
#include "aids/PanelAids.h"
#include "rules/GoTo.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"

#include <QLineEdit>
#include <QRadioButton>

#include <optional>

namespace {

// A frequency "E" would tune to, or nothing: a text that is no number is
// refused here like any other.
std::optional<double> tunable(const QString& text, int16_t low, int16_t high)
{
    try {
        return rules::acceptedEntry(text, low, high, {});
    } catch (const numtext::ConversionError&) {
        return std::nullopt;
    }
}

} // namespace

void PanelAids::setupDisplayEdits()
{
    panel_.Text2->setReadOnly(true);
    panel_.Text4->setReadOnly(true);
    for (QLineEdit* display : {panel_.Text1, panel_.Text3}) {
        keepRecord(display);
        // Whatever the program writes is the record; what the operator types is
        // not, until it is committed.
        connect(display, &QLineEdit::textChanged, this, [this, display] {
            if (!display->isModified())
                keepRecord(display);
        });
        connect(display, &QLineEdit::editingFinished, this, [this, display] { commitEdit(display); });
    }
}

void PanelAids::keepRecord(QLineEdit* display)
{
    (display == panel_.Text1 ? record1_ : record3_) = display->text();
}

void PanelAids::settleEdits()
{
    for (QLineEdit* display : {panel_.Text1, panel_.Text3})
        commitEdit(display);
}

void PanelAids::commitEdit(QLineEdit* display)
{
    if (!display->isModified())
        return;
    panel_.runAction([this, display] {
        // An action that was running when the edit ended may have written the
        // display since: then the edit is gone, and the record stands.
        if (!display->isModified())
            return;
        const QString typed = display->text();
        const QString& record = display == panel_.Text1 ? record1_ : record3_;
        const std::optional<double> khz = tunable(typed, panel_.tune_low, panel_.tune_high);
        if (!khz) {
            display->setText(record);
            const bool noModel = panel_.tune_high == 0;
            throw numtext::ConversionError(
                QStringLiteral("%1 \"%2\": %3; the display is back at %4")
                    .arg(display == panel_.Text1 ? names::xmitFreq : names::rcvFreq, typed,
                         noModel ? QStringLiteral("choose the rig model first")
                                 : QStringLiteral(
                                       "not a frequency this rig tunes to (%1..%2 kHz, on the 50 Hz grid)")
                                       .arg(panel_.tune_low)
                                       .arg(panel_.tune_high),
                         record)
                    .toStdString());
        }
        const QString text = numtext::toText(*khz);
        display->setText(text);
        if (!panel_.RIT_ON->isChecked())
            (display == panel_.Text1 ? panel_.Text3 : panel_.Text1)->setText(text);
    });
}
