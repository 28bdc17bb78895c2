#include "panel/Corvane.h"

#include "panel/PanelAids.h"
#include "panel/Twips.h"

#include <QComboBox>
#include <QFont>
#include <QPushButton>

Corvane::Corvane(PortIo& port, DelayTimer& timer, QWidget* parent)
    : QWidget(parent), port_(port), timer_(timer), displayClock_([] { return std::chrono::steady_clock::now(); })
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

void Corvane::setDisplayClock(DisplayClock clock) { displayClock_ = std::move(clock); }
