// The key map and the wheel. Keys press the panel's own buttons, so that every
// key runs exactly what the click runs, through the same boundary.
//
//   Up / Down                       1 step     Shift+Up / Shift+Down       5 steps
//   PgUp / PgDn                    25 steps    Shift+PgUp / Shift+PgDn   125 steps
//   Ctrl+PgUp / Ctrl+PgDn         500 steps    Ctrl+Shift+PgUp / PgDn   5000 steps
//   Alt+S step size, Alt+R RIT on/off, Alt+A annunciate
//   (Alt+T Take and Alt+V verify by ear are the heard line's: hear/HeardLine,
//   hear/Verifier)
//   Ctrl++ / Ctrl+- / Ctrl+0 zoom
//   Enter (keypad Enter too): in the entry "E", on a button presses it, on a
//   list takes the item with the focus ring; digits and "." typed on a button
//   or a list go to the entry, and the focus with them.
#include "aids/PanelAids.h"
#include "aids/Zoom.h"
#include "panel/Corvane.h"
#include "panel/EventHook.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <algorithm>
#include <iterator>

namespace
{

struct StepKey {
    int key;
    Qt::KeyboardModifiers modifiers;
    QPushButton* Corvane::*button;
};

constexpr Qt::KeyboardModifiers none{}, shift{Qt::ShiftModifier}, ctrl{Qt::ControlModifier},
    ctrlShift{Qt::ControlModifier | Qt::ShiftModifier};

const StepKey stepKeys[] = {
    {Qt::Key_Up, none, &Corvane::Command3},           {Qt::Key_Down, none, &Corvane::Command4},
    {Qt::Key_Up, shift, &Corvane::Command5},          {Qt::Key_Down, shift, &Corvane::Command6},
    {Qt::Key_PageUp, none, &Corvane::Command7},       {Qt::Key_PageDown, none, &Corvane::Command8},
    {Qt::Key_PageUp, shift, &Corvane::Command9},      {Qt::Key_PageDown, shift, &Corvane::Command10},
    {Qt::Key_PageUp, ctrl, &Corvane::Command11},      {Qt::Key_PageDown, ctrl, &Corvane::Command12},
    {Qt::Key_PageUp, ctrlShift, &Corvane::Command13}, {Qt::Key_PageDown, ctrlShift, &Corvane::Command14},
};

bool isEnter(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier;
}

} // namespace

void PanelAids::setupKeys()
{
    Corvane& p = panel_;
    keys_ = new EventHook(
        [this](QObject* watched, QEvent* event) {
            auto* target = static_cast<QWidget*>(watched);
            if (event->type() == QEvent::KeyPress)
                return operatorKey(target, static_cast<QKeyEvent*>(event));
            if (event->type() == QEvent::Wheel)
                return wheelOver(target, static_cast<QWheelEvent*>(event));
            return false;
        },
        this);
    for (QWidget* w : p.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        w->installEventFilter(keys_);
    // A wheel turned over them while the operator works elsewhere must not
    // change the port or the encoder: they take it only when focused.
    for (QComboBox* combo : {p.Port, p.Encoder})
        combo->setFocusPolicy(Qt::StrongFocus);

    connect(p.Text5, &QLineEdit::returnPressed, p.Command26, &QPushButton::click);

    const auto shortcut = [this](const QKeySequence& keys, auto action) {
        auto* s = new QShortcut(keys, &panel_);
        connect(s, &QShortcut::activated, this, [this, action] {
            settleEdits();
            action();
        });
    };
    shortcut(QKeySequence(Qt::ALT | Qt::Key_S), [&p] { p.Command2->click(); });
    shortcut(QKeySequence(Qt::ALT | Qt::Key_A), [&p] { p.Command1->click(); });
    shortcut(QKeySequence(Qt::ALT | Qt::Key_R),
             [&p] { (p.RIT_ON->isChecked() ? p.RIT_OFF : p.RIT_ON)->click(); });
    Zoom* zoom = zoom_;
    shortcut(QKeySequence(QKeySequence::ZoomIn), [zoom] { zoom->stepBy(1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), [zoom] { zoom->stepBy(1); });
    shortcut(QKeySequence(QKeySequence::ZoomOut), [zoom] { zoom->stepBy(-1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [zoom] { zoom->set(Zoom::min); });
}

bool PanelAids::operatorKey(QWidget* target, QKeyEvent* key)
{
    Corvane& p = panel_;
    auto* button = qobject_cast<QAbstractButton*>(target);
    if (button && isEnter(key)) {
        button->click();
        return true;
    }
    if (auto* list = qobject_cast<QListWidget*>(target); list && listKey(list, key))
        return true;
    // Digits and the point, typed where they mean nothing, are the keypad's.
    const bool keypadTarget =
        (button && !qobject_cast<QRadioButton*>(target)) || qobject_cast<QListWidget*>(target);
    const QString text = key->text();
    if (keypadTarget && text.size() == 1 && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QPushButton* const digits[] = {p.Command24, p.Command21, p.Command22, p.Command23, p.Command18,
                                       p.Command19, p.Command20, p.Command15, p.Command16, p.Command17};
        // The entry takes the focus with its first figure: the rest is typed
        // there, and Enter after it means "E", not the button left behind. The
        // key's news goes out on the control it was typed on, before the focus
        // moves: the entry's own name is then read with the figure in its text,
        // and the news is not read twice.
        const auto toEntry = [&p](QPushButton* keypadKey) {
            keypadKey->click();
            p.Text5->setFocus(Qt::OtherFocusReason);
            return true;
        };
        const QChar c = text.front();
        if (c.isDigit() && c.digitValue() >= 0 && c.digitValue() <= 9)
            return toEntry(digits[c.digitValue()]);
        if (c == u'.')
            return toEntry(p.Command25);
    }
    return stepKey(target, key);
}

bool PanelAids::stepKey(QWidget* target, QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const auto step = std::find_if(std::begin(stepKeys), std::end(stepKeys), [key, mods](const StepKey& s) {
        return s.key == key->key() && s.modifiers == mods;
    });
    if (step == std::end(stepKeys))
        return false;
    // The lists, Port, Encoder and the RIT pair keep their arrows: there they
    // choose the model, the speed, the port and RIT, as the operator expects.
    // On a list the other step keys do nothing: they would move its choice,
    // and what a run did could not be told there (a screen reader does not
    // speak a list's name).
    if (qobject_cast<QListWidget*>(target))
        return key->key() != Qt::Key_Up && key->key() != Qt::Key_Down;
    if (qobject_cast<QComboBox*>(target) || qobject_cast<QRadioButton*>(target))
        return false;
    settleEdits();
    (panel_.*(step->button))->click();
    return true;
}
