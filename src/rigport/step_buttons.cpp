// The twelve step buttons and the step speed, and the wiring of the rig-line
// controls.
#include "panel/Corvane.h"
#include "rules/EncoderKind.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

void Corvane::setupRigPort()
{
    const std::pair<QPushButton*, Action> buttons[] = {
        {Command3, &Corvane::Command3_Click},   {Command4, &Corvane::Command4_Click},
        {Command5, &Corvane::Command5_Click},   {Command6, &Corvane::Command6_Click},
        {Command7, &Corvane::Command7_Click},   {Command8, &Corvane::Command8_Click},
        {Command9, &Corvane::Command9_Click},   {Command10, &Corvane::Command10_Click},
        {Command11, &Corvane::Command11_Click}, {Command12, &Corvane::Command12_Click},
        {Command13, &Corvane::Command13_Click}, {Command14, &Corvane::Command14_Click},
    };
    // The engine sends nothing for an encoder kind it does not know and says
    // nothing either; a click says so, after the handler has run as it would.
    for (const auto& [button, action] : buttons) {
        clickButtons_.emplace_back(action, button);
        connect(button, &QPushButton::clicked, this, [this, button = button, action = action] {
            runAction(
                [this, action] {
                    const QString kind = Encoder->currentText();
                    (this->*action)();
                    rules::requireEncoderKind(kind);
                },
                button);
        });
    }

    connect(speed, &QListWidget::itemSelectionChanged, this, [this] {
        if (!speed->selectedItems().isEmpty())
            runAction(&Corvane::speed_Click);
    });
}

void Corvane::runSteps(int16_t count)
{
    nsteps = count;
    dosteps();
}

// Negative counts step up, positive down.
void Corvane::Command3_Click() { runSteps(-1); }
void Corvane::Command4_Click() { runSteps(1); }
void Corvane::Command5_Click() { runSteps(-5); }
void Corvane::Command6_Click() { runSteps(5); }
void Corvane::Command7_Click() { runSteps(-25); }
void Corvane::Command8_Click() { runSteps(25); }
void Corvane::Command9_Click() { runSteps(-125); }
void Corvane::Command10_Click() { runSteps(125); }
void Corvane::Command11_Click() { runSteps(-500); }
void Corvane::Command12_Click() { runSteps(500); }
void Corvane::Command13_Click() { runSteps(-5000); }
void Corvane::Command14_Click() { runSteps(5000); }

void Corvane::speed_Click()
{
    const QList<QListWidgetItem*> selected = speed->selectedItems();
    const QString text = selected.isEmpty() ? QString() : selected.first()->text();
    if (text == u"Low")
        enc_delay = 3;
    else if (text == u"High")
        enc_delay = 4;
}
