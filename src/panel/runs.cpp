// The window's side of the run machinery: which of its input stops a run,
// which button shows a run held down, and the repaint of the displays while a
// run is served. What runs when, and what is held, is the ActionRunner's.
#include "panel/runs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QWindow>

#include <memory>
#include <optional>
#include <utility>

namespace
{

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
    case QEvent::Shortcut:
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

void Corvane::setupRuns()
{
    connect(&runner_, &ActionRunner::aboutToServe, this, [this] {
        showStopButton();
        // One synchronous paint of the three boxes' region, not one per box,
        // and not left to the event loop's timing.
        repaint(QRegion(Text1->geometry()) + Text3->geometry() + Text4->geometry());
    });
    connect(&runner_, &ActionRunner::failed, this, &Corvane::actionFailed);
    connect(&runner_, &ActionRunner::ended, this, &Corvane::endRun);
    connect(&runner_, &ActionRunner::closeNow, this, &QWidget::close);
    qApp->installEventFilter(this);
}

void Corvane::endRun()
{
    if (shownDown_)
        shownDown_->setDown(false);
    shownDown_ = nullptr;
    emit actionEnded();
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
    runner_.run(action, button);
}

void Corvane::queueAction(std::function<void()> action)
{
    runner_.queue(std::move(action));
}

bool Corvane::busy() const
{
    return runner_.busy();
}

void Corvane::stopRun()
{
    runner_.stop();
}

bool Corvane::stopRequested() const
{
    return runner_.stopRequested();
}

void Corvane::serveUntil(std::chrono::steady_clock::time_point returnBy)
{
    runner_.serveUntil(returnBy);
}

void Corvane::serveIfDue()
{
    runner_.serveIfDue();
}

QPushButton* Corvane::stopButton() const
{
    auto* button = static_cast<QPushButton*>(const_cast<void*>(runner_.runningTag()));
    return button ? button : Command26;
}

void Corvane::showStopButton()
{
    // A run long enough to be served shows the button that stops it held
    // down, at every serving: a button that loses focus lets itself up.
    if (!runner_.running())
        return;
    if (!shownDown_)
        shownDown_ = stopButton();
    shownDown_->setDown(true);
}

ActionRunner::Input Corvane::inputKind(QObject* watched, QEvent* event) const
{
    using Input = ActionRunner::Input;
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        return Input::Stop;
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab))
            return Input::Focus;
    }
    if (type == QEvent::MouseMove)
        return Input::Motion;
    if (type == QEvent::MouseButtonRelease)
        return Input::Release;
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) && shownDown_) {
        // Input reaches the window first and its widgets after; whichever of
        // them sees the press on the held-down button stops the run.
        const QWidget* target = qobject_cast<const QWidget*>(watched);
        if (qobject_cast<const QWindow*>(watched))
            target = window()->childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (target && (target == shownDown_ || shownDown_->isAncestorOf(target)))
            return Input::StopPress;
    }
    return Input::Other;
}

namespace
{

// Where the last press held for a control went: its release goes there too.
QPointer<QWidget> heldPressTarget;

std::optional<std::pair<QWidget*, std::unique_ptr<QEvent>>> forWidget(QWidget* window, QEvent* event)
{
    // A click held at the window would be played through the window's own
    // bookkeeping of presses and grabs, long after the fact, and lost there;
    // held for the control under the pointer it is played as that control's
    // click. The release goes where its press went.
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        // A key held at the window would go to whatever has the focus when it
        // is played, and the focus may move meanwhile (Tab is not held): it
        // belongs to the control that had the focus when it was pressed.
        QWidget* focus = QApplication::focusWidget();
        if (!focus || !window->isAncestorOf(focus))
            return std::nullopt;
        return std::pair<QWidget*, std::unique_ptr<QEvent>>(focus, std::unique_ptr<QEvent>(event->clone()));
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return std::nullopt;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    QWidget* target = window->childAt(mouse->position().toPoint());
    if (type == QEvent::MouseButtonRelease && heldPressTarget)
        target = heldPressTarget;
    if (!target)
        target = window;
    heldPressTarget = type == QEvent::MouseButtonRelease ? nullptr : target;
    const QPointF local = target->mapFrom(window, mouse->position());
    return std::pair<QWidget*, std::unique_ptr<QEvent>>(
        target, std::make_unique<QMouseEvent>(type, local, mouse->scenePosition(), mouse->globalPosition(),
                                              mouse->button(), mouse->buttons(), mouse->modifiers(),
                                              mouse->pointingDevice()));
}

} // namespace

bool Corvane::eventFilter(QObject* watched, QEvent* event)
{
    if (playListChoice(watched, event))
        return true;
    if (!isOperatorInput(event->type()))
        return QWidget::eventFilter(watched, event);
    // Only input for this panel: its window, its widgets, its shortcuts.
    bool ours = false;
    if (auto* w = qobject_cast<QWindow*>(watched))
        ours = w == window()->windowHandle();
    else if (auto* widget = qobject_cast<QWidget*>(watched))
        ours = widget == this || isAncestorOf(widget);
    else if (auto* shortcut = qobject_cast<QShortcut*>(watched))
        ours = shortcut->parent() == this;
    if (!ours)
        return QWidget::eventFilter(watched, event);
    const ActionRunner::Input kind = inputKind(watched, event);
    if (qobject_cast<QWindow*>(watched))
        if (auto held = forWidget(window(), event))
            return holdListChoice(held->first, event) || runner_.offer(held->first, held->second.get(), kind);
    return holdListChoice(watched, event) || runner_.offer(watched, event, kind);
}

void Corvane::closeEvent(QCloseEvent* event)
{
    if (!runner_.deferClose()) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
}
