#include "panel/Corvane.h"

#include "panel/Twips.h"

#include <QComboBox>
#include <QFont>
#include <QPushButton>
#include <QTimer>

#include <optional>

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
    form_load();
    Encoder->setFocus(Qt::OtherFocusReason);
}

Corvane::~Corvane() = default;

void Corvane::runAction(Action action)
{
    runAction([this, action] { (this->*action)(); });
}

void Corvane::runAction(const std::function<void()>& action)
{
    if (busy()) {
        queueAction(action);
        return;
    }
    ++busyDepth_;
    stopRequested_ = false;
    std::optional<QString> failure;
    try {
        action();
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    --busyDepth_;
    if (failure)
        emit actionFailed(*failure);
    emit actionEnded();
    runQueuedActions();
}

void Corvane::queueAction(std::function<void()> action)
{
    queuedActions_.push_back(std::move(action));
    // From the event loop, never from inside the caller: a remote request must
    // not run inside the socket's own handler.
    QTimer::singleShot(0, this, [this] { runQueuedActions(); });
}

void Corvane::runQueuedActions()
{
    // Only once the running action has ended; its own end drains the queue.
    while (!busy() && !queuedActions_.empty()) {
        std::function<void()> next = std::move(queuedActions_.front());
        queuedActions_.pop_front();
        runAction(next);
    }
}

void Corvane::stopRun()
{
    if (busy())
        stopRequested_ = true;
}

void Corvane::connectClicks(std::initializer_list<std::pair<QPushButton*, Action>> buttons)
{
    for (const auto& [button, action] : buttons)
        connect(button, &QPushButton::clicked, this, [this, action = action] { runAction(action); });
}

void Corvane::setDisplayClock(DisplayClock clock) { displayClock_ = std::move(clock); }
