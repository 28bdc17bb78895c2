// The preset stations of the chosen model: CHU, WWV, QRP and W1AW.
#include "panel/Corvane.h"
#include "text/NumberText.h"

#include <QLineEdit>

// A preset replaces the entry with its value behind one blank, the sign place
// of a number that is not negative; "E" reads it as the same number.
void Corvane::presetToEntry(double value) { Text5->setText(numtext::toSignedText(value)); }

void Corvane::Command28_Click() { presetToEntry(preset_chu); }
void Corvane::Command29_Click() { presetToEntry(preset_wwv); }
void Corvane::Command30_Click() { presetToEntry(preset_qrp); }
void Corvane::Command31_Click() { presetToEntry(preset_w1aw); }
