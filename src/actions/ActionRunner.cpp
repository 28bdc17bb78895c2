#include "actions/ActionRunner.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <optional>

using namespace std::chrono;

namespace
{

class QtEvents : public ActionRunner::Events
{
public:
    void serveNow() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }

    // A call from another process (D-Bus, the screen reader's among them)
    // reaches this thread as a posted meta-call; painting and input are
    // other events, left for the next serving.
    void answerWaiting() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); }

    void serveUntil(ActionRunner::TimePoint returnBy) override
    {
        // A timer wakes the wait for events at returnBy; without it an idle
        // loop would sleep past it.
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
};

} // namespace

// An action or a serving under way: what is asked for meanwhile waits.
class ActionRunner::Busy
{
public:
    explicit Busy(ActionRunner& runner) : runner_(runner) { ++runner_.depth_; }
    ~Busy()
    {
        if (--runner_.depth_ == 0)
            runner_.leave();
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    ActionRunner& runner_;
};

// A serving under way: busy, and no second serving inside it.
class ActionRunner::Serve
{
public:
    explicit Serve(ActionRunner& runner) : busy_(runner), runner_(runner)
    {
        runner_.serving_ = true;
        emit runner_.aboutToServe();
    }
    ~Serve() { runner_.serving_ = false; }
    Serve(const Serve&) = delete;
    Serve& operator=(const Serve&) = delete;

private:
    Busy busy_;
    ActionRunner& runner_;
};

ActionRunner::Events& ActionRunner::qtEvents()
{
    static QtEvents events;
    return events;
}

ActionRunner::ActionRunner(QObject* parent)
    : ActionRunner(
          qtEvents(), [] { return steady_clock::now(); }, parent)
{
}

ActionRunner::ActionRunner(Events& events, Clock clock, QObject* parent)
    : QObject(parent), events_(events), clock_(std::move(clock)), takeUpTimer_(new QTimer(this))
{
    takeUpTimer_->setSingleShot(true);
    takeUpTimer_->setInterval(0);
    connect(takeUpTimer_, &QTimer::timeout, this, &ActionRunner::takeUp);
}

ActionRunner::~ActionRunner() = default;

ActionRunner::Scope::Scope(ActionRunner& runner) : runner_(runner)
{
    ++runner_.depth_;
    ++runner_.actionDepth_;
}

ActionRunner::Scope::~Scope()
{
    --runner_.actionDepth_;
    if (--runner_.depth_ == 0)
        runner_.leave();
}

void ActionRunner::run(std::function<void()> action, Tag tag)
{
    // The front of the queue, being taken up, goes before what waits behind it.
    if (busy() || (!queue_.empty() && !takingUp_)) {
        queue(std::move(action), tag);
        return;
    }
    runNow(action, tag);
}

void ActionRunner::queue(std::function<void()> action, Tag tag)
{
    queue_.push_back(Entry{std::move(action), {}, {}, tag});
    takeUpTimer_->start();
}

void ActionRunner::runNow(const std::function<void()>& action, Tag tag)
{
    std::optional<QString> failure;
    {
        const Scope running(*this);
        runningTag_ = tag;
        // Held input delivered from here on belongs to this run's servings.
        const bool wasDelivering = std::exchange(delivering_, false);
        try {
            action();
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
        delivering_ = wasDelivering;
    }
    if (failure)
        emit failed(*failure);
    emit ended();
}

void ActionRunner::leave()
{
    stopRequested_ = false;
    runningTag_ = nullptr;
    if (!queue_.empty() || closePending_)
        takeUpTimer_->start();
}

void ActionRunner::takeUp()
{
    // Taken up again when the action or serving under way ends.
    if (busy() || takingUp_)
        return;
    if (closePending_) {
        closePending_ = false;
        queue_.clear();
        emit closeNow();
        return;
    }
    takingUp_ = true;
    while (!busy() && !queue_.empty() && !closePending_) {
        Entry next = std::move(queue_.front());
        queue_.pop_front();
        if (next.action)
            runNow(next.action, next.tag);
        else
            deliver(next);
    }
    takingUp_ = false;
    if (closePending_ || (!busy() && !queue_.empty()))
        takeUpTimer_->start();
}

void ActionRunner::deliver(Entry& entry)
{
    if (!entry.receiver)
        return;
    // A window passes the event on to its widget as a new event: that one is
    // part of this delivery too, and must not be held again.
    delivering_ = true;
    QCoreApplication::sendEvent(entry.receiver, entry.event.get());
    delivering_ = false;
}

void ActionRunner::stop()
{
    if (running())
        stopRequested_ = true;
}

bool ActionRunner::offer(QObject* receiver, QEvent* event, Input kind)
{
    if (kind == Input::Release && pressConsumed_) {
        pressConsumed_ = false;
        return true;
    }
    if (delivering_ || !holding())
        return false;
    // Between two queued entries nothing runs that a stop could end: Esc and
    // the press wait their turn like any other input.
    switch (kind) {
    case Input::Stop:
        if (!running())
            break;
        stop();
        return true;
    case Input::StopPress:
        if (!running())
            break;
        stop();
        pressConsumed_ = true;
        return true;
    case Input::Motion:
        return true;
    case Input::Focus:
        return false;
    case Input::Release:
    case Input::Other:
        break;
    }
    queue_.push_back(Entry{{}, receiver, std::unique_ptr<QEvent>(event->clone()), nullptr});
    if (!busy())
        takeUpTimer_->start();
    return true;
}

bool ActionRunner::deferClose()
{
    if (!holding())
        return false;
    stop();
    closePending_ = true;
    takeUpTimer_->start();
    return true;
}

void ActionRunner::serveUntil(TimePoint returnBy)
{
    if (!running() || serving_)
        return;
    const Serve serving(*this);
    events_.serveUntil(returnBy);
    lastServe_ = clock_();
}

void ActionRunner::answerWaiting()
{
    if (!running() || serving_)
        return;
    const Busy busy(*this);
    serving_ = true;
    try {
        events_.answerWaiting();
    } catch (...) {
        serving_ = false;
        throw;
    }
    serving_ = false;
}

void ActionRunner::serveIfDue()
{
    const TimePoint now = clock_();
    if (!running() || serving_ || now - lastServe_ < serveInterval)
        return;
    lastServe_ = now;
    const Serve serving(*this);
    events_.serveNow();
}
