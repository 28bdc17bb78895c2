// Model selection: the operator tells the panel which rig is connected, since
// the rig cannot say. Nothing goes to the rig.
#include "panel/Corvane.h"
#include "text/NumberText.h"

#include <QLineEdit>
#include <QListWidget>

namespace {

struct Model {
    const char* name;
    int16_t qrp;        // kHz: both displays and the QRP preset
    double w1aw, chu, wwv; // kHz
};

// CHU and WWV lie 0.8 kHz above the whole-kHz station frequencies on the two
// lower bands and 0.8 kHz below them on the two upper ones.
constexpr Model models[] = {
    {"KRV-80", 3560, 3581.5, 3330.8, 5000.8},
    {"KRV-40", 7040, 7047.5, 7335.8, 10000.8},
    {"KRV-30", 10110, 7047.5, 7334.2, 9999.2},
    {"KRV-20", 14060, 14047.5, 14669.2, 14999.2},
};

} // namespace

void Corvane::setupPanel()
{
    // Runs whenever the selection moves to an item, by mouse, keyboard or program.
    connect(KRV, &QListWidget::itemSelectionChanged, this, [this] {
        if (!KRV->selectedItems().isEmpty())
            runAction(&Corvane::KRV_Click);
    });
}

void Corvane::KRV_Click()
{
    const QList<QListWidgetItem*> selected = KRV->selectedItems();
    if (selected.isEmpty())
        return;
    const QString name = selected.first()->text();
    for (const Model& m : models) {
        if (name != QLatin1String(m.name))
            continue;
        Text1->setText(numtext::toText(m.qrp));
        Text3->setText(numtext::toText(m.qrp));
        tune_high = 25000;
        tune_low = 540;
        preset_w1aw = m.w1aw;
        preset_chu = m.chu;
        preset_wwv = m.wwv;
        preset_qrp = m.qrp;
        return;
    }
}
