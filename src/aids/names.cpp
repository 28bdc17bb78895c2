// Names and descriptions in the operator's words, each with its unit, and the
// labels tied to what they name. A screen reader reads a labelled control by
// its label's name, so a label is named as fully as its control.
#include "aids/PanelAids.h"
#include "panel/Corvane.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace
{

struct Description {
    QWidget* control;
    const char* name;
    const char* description; // also the tooltip
};

void describe(const Description& d)
{
    d.control->setAccessibleName(QString::fromUtf8(d.name));
    d.control->setAccessibleDescription(QString::fromUtf8(d.description));
    d.control->setToolTip(QString::fromUtf8(d.description));
}

// Qt names an editable combo box on Linux by its text, leaving the name to a
// label; Port and Encoder have none, so a screen reader would hear "888". They
// are named here like every other control, and their text is their value.
class NamedComboBox : public QAccessibleWidget
{
public:
    explicit NamedComboBox(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return static_cast<QComboBox*>(widget())->currentText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* namedComboBoxes(const QString& className, QObject* object)
{
    auto* combo = qobject_cast<QComboBox*>(object);
    if (className != QLatin1String("QComboBox") || !combo || !qobject_cast<Corvane*>(combo->parent()))
        return nullptr;
    return new NamedComboBox(combo);
}

} // namespace

void PanelAids::describeControls()
{
    Corvane& p = panel_;
    const Description table[] = {
        {p.Text1, "Xmit freq, kilohertz", "Transmit frequency on record, kHz. Wheel or Up/Down: 1 step"},
        {p.Text3, "Rcv freq, kilohertz", "Receive frequency on record, kHz. Wheel or Up/Down: 1 step"},
        {p.Text5, "Freq entry, kilohertz", "Frequency to go to, kHz. Enter: go to it"},
        {p.Label1, "Xmit freq, kilohertz", "Transmit frequency on record, kHz"},
        {p.Label2, "Rcv freq, kilohertz", "Receive frequency on record, kHz"},
        {p.Label3, "Freq entry, kilohertz", "Frequency to go to, kHz"},
        {p.Label4, "Step speed", "Step speed, High or Low"},
        {p.Text2, "Step size in force, hertz", "The rig's tuning step as the panel reckons it"},
        {p.Text4, "Encoder lines, A and B", "Encoder lines as last read from the port: 1 high, 0 low"},
        {p.Port, "Port base address, decimal", "Parallel port base address, decimal"},
        {p.Encoder, "Encoder kind, 1 or 2", "Encoder kind: 1 or 2"},
        {p.KRV, "Rig model", "The KRV model connected"},
        {p.speed, "Step speed", "Step speed, High or Low"},
        {p.RIT_ON, "RIT on", "Switch RIT on (Alt+R switches it over)"},
        {p.RIT_OFF, "RIT off", "Switch RIT off (Alt+R switches it over)"},
        {p.Command1, "Annunciate", "Annunciate (Alt+A)"},
        {p.Command2, "Step size", "Switch the step size (Alt+S)"},
        {p.Command3, "Up 1 step", "Up 1 step (Up)"},
        {p.Command4, "Down 1 step", "Down 1 step (Down)"},
        {p.Command5, "Up 5 steps", "Up 5 steps (Shift+Up)"},
        {p.Command6, "Down 5 steps", "Down 5 steps (Shift+Down)"},
        {p.Command7, "Up 25 steps", "Up 25 steps (PgUp)"},
        {p.Command8, "Down 25 steps", "Down 25 steps (PgDn)"},
        {p.Command9, "Up 125 steps", "Up 125 steps (Shift+PgUp)"},
        {p.Command10, "Down 125 steps", "Down 125 steps (Shift+PgDn)"},
        {p.Command11, "Up 500 steps", "Up 500 steps (Ctrl+PgUp)"},
        {p.Command12, "Down 500 steps", "Down 500 steps (Ctrl+PgDn)"},
        {p.Command13, "Up 5000 steps", "Up 5000 steps (Ctrl+Shift+PgUp)"},
        {p.Command14, "Down 5000 steps", "Down 5000 steps (Ctrl+Shift+PgDn)"},
        {p.Command15, "7", "Type 7 into the entry (7)"},
        {p.Command16, "8", "Type 8 into the entry (8)"},
        {p.Command17, "9", "Type 9 into the entry (9)"},
        {p.Command18, "4", "Type 4 into the entry (4)"},
        {p.Command19, "5", "Type 5 into the entry (5)"},
        {p.Command20, "6", "Type 6 into the entry (6)"},
        {p.Command21, "1", "Type 1 into the entry (1)"},
        {p.Command22, "2", "Type 2 into the entry (2)"},
        {p.Command23, "3", "Type 3 into the entry (3)"},
        {p.Command24, "0", "Type 0 into the entry (0)"},
        {p.Command25, "Decimal point", "Type a decimal point into the entry (.)"},
        {p.Command26, "Go to the entered frequency", "Go to the entered frequency (Enter in the entry)"},
        {p.Command27, "Clear the entry", "Clear the entry"},
        {p.Command28, "Preset CHU", "Put the CHU frequency into the entry"},
        {p.Command29, "Preset WWV", "Put the WWV frequency into the entry"},
        {p.Command30, "Preset QRP", "Put the QRP calling frequency into the entry"},
        {p.Command31, "Preset W1AW", "Put the W1AW frequency into the entry"},
    };
    for (const Description& d : table)
        describe(d);
    // After the application's own factory, which it would otherwise overrule;
    // an interface made meanwhile (start-up changed the texts) is made anew.
    static const bool installed = (QAccessible::installFactory(namedComboBoxes), true);
    Q_UNUSED(installed);
    for (QComboBox* combo : {p.Port, p.Encoder})
        QAccessible::deleteAccessibleInterface(
            QAccessible::uniqueId(QAccessible::queryAccessibleInterface(combo)));
    // Tied for screen readers; no mnemonic, so no key can land in a list.
    p.Label1->setBuddy(p.Text1);
    p.Label2->setBuddy(p.Text3);
    p.Label3->setBuddy(p.Text5);
    p.Label4->setBuddy(p.speed);
}
