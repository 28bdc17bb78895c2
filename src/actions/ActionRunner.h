#pragma once
// One action at a time, and the program served while it runs.
//
// An action is a click's work: a step run, a key press, "E", a remote move, a
// list choice. Runs last from milliseconds to minutes, and while one runs the
// program must go on: the displays are painted, sockets answered, Esc and the
// held-down button heard. The runner owns everything that meets there:
//
//   the queue    actions asked for while the program is busy, and operator
//                input held back meanwhile, in one line, in the order they
//                came. Each entry is taken up exactly once, front first, as
//                soon as nothing runs: an action is run, held input is
//                delivered to where it was going (and may start an action,
//                which then runs at once, ahead of the entries behind it).
//   the run      the action running now, with the tag its caller gave it
//                (the window's button for it), and a stop request for it.
//   servings     between the steps of a run (serveIfDue, at most every
//                serveInterval on the clock) and in the long waits the pacer
//                lends out (serveUntil), the event loop runs. Anything that
//                would start an action meanwhile is queued behind the run.
//   a close      asked for during a run: the run is stopped, and once it has
//                ended the queue is dropped and closeNow is emitted.
//
// Guarantees:
//   - Actions never nest: run() during an action or a serving queues.
//   - Queued entries run in order, each once; none is dropped except by a
//     pending close.
//   - stop() affects only the action running; it ends after the step or key
//     press under way, and the request is cleared when that action ends.
//   - A release is consumed only when the press before it was consumed (a
//     stop press); everything else held is delivered, once.
//   - An escaping exception ends the action: failed(message), then ended().
//
// No window is needed: the event loop is reached through Events and time
// through Clock, so a test drives the runner with a fake clock and a script
// of what arrives at each serving.

#include "timing/Serving.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

class QEvent;
class QTimer;

class ActionRunner : public QObject, public Serving
{
    Q_OBJECT

public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    using Tag = const void*; // who asked for an action; only compared

    // The event loop as a run serves it.
    class Events
    {
    public:
        virtual ~Events() = default;
        // Runs what is pending now.
        virtual void serveNow() = 0;
        // Runs what arrives until returnBy on the runner's clock; returns then.
        virtual void serveUntil(TimePoint returnBy) = 0;
        // Delivers the calls other programs wait on, and nothing else.
        virtual void answerWaiting() {}
    };
    // Qt's own event loop, waited on with the steady clock.
    static Events& qtEvents();

    // Between two steps of a run the program is served at most this often.
    static constexpr std::chrono::milliseconds serveInterval{20};

    explicit ActionRunner(QObject* parent = nullptr);
    ActionRunner(Events& events, Clock clock, QObject* parent = nullptr);
    ~ActionRunner() override;

    void setClock(Clock clock) { clock_ = std::move(clock); }

    // ---- Actions ----
    // The click boundary: runs `action` now when the program is idle and
    // nothing waits before it, else queues it. Returns once it has run or is
    // queued.
    void run(std::function<void()> action, Tag tag = nullptr);
    // Queues `action`; it runs from the event loop, never inside the caller.
    void queue(std::function<void()> action, Tag tag = nullptr);
    // An action or a serving is under way.
    bool busy() const { return depth_ > 0; }
    // An action is under way (a handler called directly counts: see Scope).
    bool running() const { return actionDepth_ > 0; }
    // The tag of the action running, nullptr when none or untagged.
    Tag runningTag() const { return runningTag_; }
    // Asks the running action to stop after the step or key press under way.
    // Does nothing when no action runs.
    void stop();
    bool stopRequested() const { return stopRequested_; }
    // Entries waiting in the queue (actions and held input).
    int waiting() const { return static_cast<int>(queue_.size()); }

    // Marks a handler's work as an action for as long as it lives, so that a
    // handler called directly is one too. Nests.
    class Scope
    {
    public:
        explicit Scope(ActionRunner& runner);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ActionRunner& runner_;
    };

    // ---- Operator input ----
    // What the window sees in an input event.
    enum class Input {
        Stop,      // Esc
        StopPress, // a press on the button shown held down
        Release,   // a mouse button let up
        Motion,    // the pointer's travels: meaningless to held input
        Focus,     // Tab, Shift+Tab: moves the focus and acts on nothing
        Other,     // anything else the operator does
    };
    // Offers one input event on its way to `receiver`. Returns true when the
    // runner has taken it (held, or consumed as a stop); false: deliver it.
    // While busy, or while entries wait, input is held in the queue (motion
    // is dropped, a focus move delivered at once, so that the operator can
    // explore the panel during a run); Esc and a stop press stop the run; a
    // release is consumed after a consumed press, busy or not.
    bool offer(QObject* receiver, QEvent* event, Input kind);

    // ---- Closing ----
    // Whether a close must wait. true: the run was asked to stop, and
    // closeNow() follows once it has ended; false: close now.
    bool deferClose();
    bool closePending() const { return closePending_; }

    // ---- Serving ----
    // Serves until about returnBy during an action; at once when idle or
    // already serving (the caller then waits alone).
    void serveUntil(TimePoint returnBy) override;
    // Serves once if serveInterval has passed since the last serving.
    void serveIfDue();
    // During an action, outside a serving: answers what other programs wait
    // on (see Serving). Nothing painted, no input taken, no aboutToServe.
    void answerWaiting() override;

signals:
    // A serving is about to run: the window paints its displays and shows
    // what stops the run.
    void aboutToServe();
    // After an action run through run() or queue(): failed first when it threw.
    void failed(const QString& message);
    void ended();
    // A close deferred by deferClose() may now happen.
    void closeNow();

private:
    struct Entry {
        std::function<void()> action; // or held input:
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
        Tag tag = nullptr;
    };

    class Busy;
    class Serve;
    void runNow(const std::function<void()>& action, Tag tag);
    void takeUp();
    void deliver(Entry& entry);
    void leave(); // the outermost busy mark has ended
    bool holding() const { return busy() || !queue_.empty(); }

    Events& events_;
    Clock clock_;
    QTimer* takeUpTimer_;
    std::deque<Entry> queue_;
    TimePoint lastServe_{};
    int depth_ = 0;
    int actionDepth_ = 0;
    bool serving_ = false;
    bool stopRequested_ = false;
    bool closePending_ = false;
    bool pressConsumed_ = false;
    bool takingUp_ = false;   // the queue's front is being taken up
    bool delivering_ = false; // held input is on its way again
    Tag runningTag_ = nullptr;
};
