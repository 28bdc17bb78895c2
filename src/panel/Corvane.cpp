#include "panel/Corvane.h"

#include "aids/PanelAids.h"
#include "panel/RecordDoor.h"
#include "panel/Twips.h"

#include <QComboBox>
#include <QFont>
#include <QPushButton>

Corvane::Corvane(PortIo& port, DelayTimer& timer, QWidget* parent)
    : Corvane(port, timer, std::make_unique<ActionRunner>(), nullptr, parent)
{
}

Corvane::Corvane(PortIo& port, DelayTimer& timer, ActionRunner& runner, QWidget* parent)
    : Corvane(port, timer, nullptr, &runner, parent)
{
}

Corvane::Corvane(PortIo& port, DelayTimer& timer, std::unique_ptr<ActionRunner> own, ActionRunner* shared,
                 QWidget* parent)
    : QWidget(parent), port_(port), timer_(timer), ownRunner_(std::move(own)),
      runner_(shared ? *shared : *ownRunner_)
{
    setWindowTitle(QStringLiteral("Corvane rel. 4.02 by threnlo"));
    // A pixel size, not a point size: the panel is laid out in pixels, and
    // every caption must fit its control at any screen resolution.
    QFont panelFont(QStringLiteral("DejaVu Sans"));
    panelFont.setPixelSize(panelFontPixels);
    setFont(panelFont);
    setFixedSize(twips::clientArea);

    createControls();
    setTabOrder();
    setupPanel();
    setupRigPort();
    setupTuning();
    setupRigFunc();
    setupRuns();
    form_load();
    door_ = new record::RecordDoor(*this);
    aids_ = new PanelAids(*this);
    Encoder->setFocus(Qt::OtherFocusReason);
}

Corvane::~Corvane() = default;

void Corvane::connectClicks(std::initializer_list<std::pair<QPushButton*, Action>> buttons)
{
    for (const auto& [button, action] : buttons)
    {
        connect(button, &QPushButton::clicked, this, [this, action = action] { runAction(action); });
        clickButtons_.emplace_back(action, button);
    }
}

void Corvane::setDisplayClock(DisplayClock clock) { runner_.setClock(std::move(clock)); }
