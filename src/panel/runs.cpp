// One action at a time, and the program served while it runs.
//
// A run of thousands of steps lasts seconds to minutes. Between its steps (at
// most every serveInterval) and in the long waits the delay library hands
// back, the event loop runs: the displays are painted, the window manager, the
// accessibility bus, sockets and signals are answered, posted events run. What
// would start another action meanwhile (a posted click, a remote request)
// waits its turn; operator input is held back whole and delivered after the
// run, so nothing typed or clicked can change a text the run still reads.
#include "panel/runs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <optional>

namespace {

// The displays follow a long run at about this rate, and the program is served.
constexpr std::chrono::milliseconds serveInterval{40};

bool isOperatorInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::NativeGesture:
        return true;
    default:
        return false;
    }
}

} // namespace

Corvane::Busy::Busy(Corvane& panel) : panel_(panel) { ++panel_.busyDepth_; }

Corvane::Busy::~Busy()
{
    if (--panel_.busyDepth_ > 0)
        return;
    panel_.stopRequested_ = false;
    if (panel_.shownDown_)
        panel_.shownDown_->setDown(false);
    panel_.shownDown_ = nullptr;
    panel_.runButton_ = nullptr;
    // Held input goes back on the event queue in the order it came; it runs
    // nothing here, so it may be posted from inside any caller.
    if (!panel_.closePending_)
        for (auto& [receiver, event] : panel_.heldInput_)
            if (receiver)
                QCoreApplication::postEvent(receiver, event.release());
    panel_.heldInput_.clear();
    if (!panel_.queuedActions_.empty() || panel_.closePending_)
        panel_.idleTimer_->start();
}

void Corvane::setupRuns()
{
    idleTimer_ = new QTimer(this);
    idleTimer_->setSingleShot(true);
    idleTimer_->setInterval(0);
    connect(idleTimer_, &QTimer::timeout, this, &Corvane::whenIdle);
    qApp->installEventFilter(this);
}

void Corvane::runAction(Action action)
{
    QPushButton* button = nullptr;
    for (const auto& [a, b] : clickButtons_)
        if (a == action)
            button = b;
    runAction([this, action] { (this->*action)(); }, button);
}

void Corvane::runAction(const std::function<void()>& action, QPushButton* button)
{
    if (busy()) {
        queuedActions_.push_back({action, button});
        idleTimer_->start();
        return;
    }
    std::optional<QString> failure;
    {
        const Busy running(*this);
        runButton_ = button;
        try {
            action();
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    if (failure)
        emit actionFailed(*failure);
    emit actionEnded();
}

void Corvane::queueAction(std::function<void()> action)
{
    queuedActions_.push_back({std::move(action), nullptr});
    // From the event loop, never from inside the caller: a remote request must
    // not run inside its socket's own handler.
    idleTimer_->start();
}

void Corvane::whenIdle()
{
    // A serving inside a run lands here too; the run's end comes back.
    if (busy())
        return;
    if (closePending_) {
        closePending_ = false;
        queuedActions_.clear();
        close();
        return;
    }
    while (!busy() && !queuedActions_.empty()) {
        const QueuedAction next = std::move(queuedActions_.front());
        queuedActions_.pop_front();
        runAction(next.action, next.button);
    }
}

void Corvane::stopRun()
{
    if (busy())
        stopRequested_ = true;
}

QPushButton* Corvane::stopButton() const { return runButton_ ? runButton_ : Command26; }

void Corvane::showStopButton()
{
    // A run long enough to be served shows the button that stops it held down.
    if (shownDown_)
        return;
    shownDown_ = stopButton();
    shownDown_->setDown(true);
}

void Corvane::serveIfDue()
{
    const auto now = displayClock_();
    if (now - lastServe_ < serveInterval)
        return;
    lastServe_ = now;
    // One synchronous paint of the three boxes' region, not one per box, and
    // not left to the event loop's timing.
    repaint(QRegion(Text1->geometry()) + Text3->geometry() + Text4->geometry());
    serveEvents();
}

void Corvane::serveEvents()
{
    if (noServeDepth_ > 0)
        return;
    const Busy serving(*this);
    showStopButton();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Corvane::serveUntil(std::chrono::steady_clock::time_point returnBy)
{
    using namespace std::chrono;
    if (noServeDepth_ > 0)
        return;
    const Busy serving(*this);
    showStopButton();
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        const auto left = duration_cast<milliseconds>(returnBy - steady_clock::now());
        if (left < 1ms)
            return;
        wake.start(left);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

bool Corvane::eventFilter(QObject* watched, QEvent* event)
{
    if (busy() && isOperatorInput(event->type()))
        return holdsInput(watched, event);
    return QWidget::eventFilter(watched, event);
}

bool Corvane::holdsInput(QObject* watched, QEvent* event)
{
    // Input reaches the window first and its widgets after; it is taken at the
    // first of them that belongs to this panel.
    QWidget* target = nullptr;
    if (auto* window = qobject_cast<QWindow*>(watched); window && window == this->window()->windowHandle()) {
        if (auto* mouse = dynamic_cast<QMouseEvent*>(event))
            target = this->window()->childAt(mouse->position().toPoint());
    } else if (auto* widget = qobject_cast<QWidget*>(watched); widget && (widget == this || isAncestorOf(widget))) {
        target = widget;
    } else {
        return false;
    }

    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        stopRun();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && target &&
        (target == stopButton() || stopButton()->isAncestorOf(target))) {
        stopRun();
        swallowRelease_ = true;
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && swallowRelease_) {
        swallowRelease_ = false;
        return true;
    }
    // Esc's release and the pointer's travels mean nothing to a held-back click.
    if (event->type() == QEvent::MouseMove || (event->type() == QEvent::KeyRelease &&
                                               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape))
        return true;
    heldInput_.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
    return true;
}

void Corvane::closeEvent(QCloseEvent* event)
{
    if (!busy()) {
        QWidget::closeEvent(event);
        return;
    }
    stopRun();
    closePending_ = true;
    event->ignore();
}
