// The wheel: over the displays it tunes, one step per notch; over Port and
// Encoder it changes them only when they have the focus.
#include "aids/PanelAids.h"
#include "panel/Corvane.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWheelEvent>

#include <cstdlib>

bool PanelAids::wheelOver(QWidget* target, QWheelEvent* wheel)
{
    Corvane& p = panel_;
    if (target == p.Port || target == p.Encoder) {
        if (target->hasFocus())
            return false;
        wheel->ignore();
        return true;
    }
    if (target != p.Text1 && target != p.Text3)
        return false;
    // One step per notch of 15 degrees; a fine-grained wheel adds up to one.
    wheelAngle_ += wheel->angleDelta().y();
    const int notches = wheelAngle_ / 120;
    wheelAngle_ -= notches * 120;
    if (notches != 0)
        settleEdits();
    for (int i = 0; i < std::abs(notches); ++i)
        (notches > 0 ? p.Command3 : p.Command4)->click();
    wheel->accept();
    return true;
}
