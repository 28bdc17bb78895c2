// The keypad and the preset keys fill the frequency entry; only "E" reads it.
#include "panel/Corvane.h"
#include "panel/RecordDoor.h"

#include <QLineEdit>
#include <QPushButton>

void Corvane::setupTuning()
{
    connectClicks({
        {Command15, &Corvane::Command15_Click}, {Command16, &Corvane::Command16_Click},
        {Command17, &Corvane::Command17_Click}, {Command18, &Corvane::Command18_Click},
        {Command19, &Corvane::Command19_Click}, {Command20, &Corvane::Command20_Click},
        {Command21, &Corvane::Command21_Click}, {Command22, &Corvane::Command22_Click},
        {Command23, &Corvane::Command23_Click}, {Command24, &Corvane::Command24_Click},
        {Command25, &Corvane::Command25_Click}, {Command27, &Corvane::Command27_Click}, {Command28, &Corvane::Command28_Click},
        {Command29, &Corvane::Command29_Click}, {Command30, &Corvane::Command30_Click},
        {Command31, &Corvane::Command31_Click},
    });
    // "E" through the door, where what follows a move (a check by ear) joins its action.
    connect(Command26, &QPushButton::clicked, this,
            [this] { runAction([this] { door_->enter(); }, Command26); });
    clickButtons_.emplace_back(&Corvane::Command26_Click, Command26);
}

// A key's character always goes at the end, wherever the caret stands, and is
// never checked: whether the entry is a frequency is for "E" to decide.
void Corvane::appendToEntry(QChar c) { Text5->setText(Text5->text() + c); }

void Corvane::Command15_Click() { appendToEntry(u'7'); }
void Corvane::Command16_Click() { appendToEntry(u'8'); }
void Corvane::Command17_Click() { appendToEntry(u'9'); }
void Corvane::Command18_Click() { appendToEntry(u'4'); }
void Corvane::Command19_Click() { appendToEntry(u'5'); }
void Corvane::Command20_Click() { appendToEntry(u'6'); }
void Corvane::Command21_Click() { appendToEntry(u'1'); }
void Corvane::Command22_Click() { appendToEntry(u'2'); }
void Corvane::Command23_Click() { appendToEntry(u'3'); }
void Corvane::Command24_Click() { appendToEntry(u'0'); }
void Corvane::Command25_Click() { appendToEntry(u'.'); }
void Corvane::Command27_Click() { Text5->clear(); }
