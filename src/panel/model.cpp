// Model selection: the operator tells the panel which rig is connected, since
// the rig cannot say. Nothing goes to the rig.
#include "panel/Corvane.h"
#include "panel/RecordDoor.h"
#include "rules/Models.h"
#include "text/NumberText.h"

#include <QLineEdit>
#include <QListWidget>

void Corvane::setupPanel()
{
    // Runs whenever the selection moves to an item, by mouse, keyboard or program.
    connect(KRV, &QListWidget::itemSelectionChanged, this, [this] {
        if (KRV->selectedItems().isEmpty())
            return;
        runAction([this] {
            KRV_Click();
            if (door_)
                door_->modelChosen();
        });
    });
}

void Corvane::KRV_Click()
{
    const QList<QListWidgetItem*> selected = KRV->selectedItems();
    if (selected.isEmpty())
        return;
    const rules::Model* m = rules::findModel(selected.first()->text().toStdString());
    if (!m)
        return;
    Text1->setText(numtext::toText(m->qrpKhz));
    Text3->setText(numtext::toText(m->qrpKhz));
    tune_high = m->highKhz;
    tune_low = m->lowKhz;
    preset_w1aw = m->w1awKhz;
    preset_chu = m->chuKhz;
    preset_wwv = m->wwvKhz;
    preset_qrp = m->qrpKhz;
}
