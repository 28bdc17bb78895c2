// Edits of "Xmit freq" and "Rcv freq". The displays are the record, so an edit
// counts only when it is whole: on Enter or on leaving the box, and only as the
// record's door accepts it. The two readouts that are no input, the step
// caption and the encoder lines, cannot be typed into at all.
#include "aids/PanelAids.h"
#include "panel/Corvane.h"
#include "panel/RecordDoor.h"

#include <QLineEdit>

namespace
{

record::Display displayOf(const Corvane& panel, const QLineEdit* display)
{
    return display == panel.Text1 ? record::Display::transmit : record::Display::receive;
}

} // namespace

void PanelAids::setupDisplayEdits()
{
    panel_.Text2->setReadOnly(true);
    panel_.Text4->setReadOnly(true);
    for (QLineEdit* display : {panel_.Text1, panel_.Text3})
        connect(display, &QLineEdit::editingFinished, this, [this, display] { commitEdit(display); });
}

void PanelAids::settleEdits()
{
    for (QLineEdit* display : {panel_.Text1, panel_.Text3})
        commitEdit(display);
}

void PanelAids::commitEdit(QLineEdit* display)
{
    // Only an edit under way goes to the door: a display also ends its editing
    // when the window closes, by then no panel to commit to.
    if (display->isModified())
        panel_.door().commitEdit(displayOf(panel_, display));
}
