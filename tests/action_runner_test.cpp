// The action runner alone, on a fake clock, with a script of what arrives at
// each serving: no window, no port.
#include "actions/ActionRunner.h"
#include "support/Fakes.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

using namespace std::chrono;
using Input = ActionRunner::Input;

namespace
{

// The event loop of a test: each serving runs the next scripted arrival, and
// a wait moves the clock to its end.
class ScriptedEvents : public ActionRunner::Events
{
public:
    explicit ScriptedEvents(FakeClock& clock) : clock_(clock) {}
    void serveNow() override { next(); }
    void answerWaiting() override { ++answers; }
    void serveUntil(ActionRunner::TimePoint returnBy) override
    {
        next();
        clock_.waitUntil(returnBy);
    }
    std::deque<std::function<void()>> arrivals;
    int servings = 0;
    int answers = 0;

private:
    void next()
    {
        ++servings;
        if (arrivals.empty())
            return;
        const auto arrival = std::move(arrivals.front());
        arrivals.pop_front();
        arrival();
    }
    FakeClock& clock_;
};

// Records the events delivered to it.
class Receiver : public QObject
{
public:
    std::vector<std::string> got;
    std::function<void(QEvent*)> onEvent;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::MouseButtonRelease)
            return QObject::event(e);
        got.push_back(e->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(e)->text().toStdString()
                                                    : "up");
        if (onEvent)
            onEvent(e);
        return true;
    }
};

class Runner : public ::testing::Test
{
protected:
    Runner() : events(clock), runner(events, clock.reader()) {}

    // A run of `steps` steps of 10 ms, serving between them as a run does;
    // it logs each step and stops when asked.
    std::function<void()> steps(const std::string& name, int count)
    {
        return [this, name, count] {
            for (int i = 0; i < count && !runner.stopRequested(); ++i) {
                clock.advance(10ms);
                log.push_back(name + std::to_string(i));
                runner.serveIfDue();
            }
        };
    }

    static QKeyEvent* key(const char* text)
    {
        return new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString::fromLatin1(text));
    }
    // Offers an event as the window would, and keeps it alive while offered.
    bool offer(QObject* to, QEvent* e, Input kind)
    {
        const std::unique_ptr<QEvent> owned(e);
        return runner.offer(to, e, kind);
    }

    void settle()
    {
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
    }

    FakeClock clock;
    ScriptedEvents events;
    ActionRunner runner;
    Receiver receiver;
    std::vector<std::string> log;
};

TEST_F(Runner, IdleRunIsAtOnceAndWhatComesDuringItRunsAfterInOrder)
{
    events.arrivals = {[&] { runner.run(steps("b", 1)); }, [&] { runner.queue(steps("c", 1)); },
                       [&] { runner.run(steps("d", 1)); }};
    runner.run(steps("a", 20));
    EXPECT_EQ(log.size(), 20u) << "nothing ran inside the run";
    EXPECT_FALSE(runner.busy());
    EXPECT_EQ(runner.waiting(), 3);
    settle();
    EXPECT_EQ(log.back(), "d0");
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{"b0", "c0", "d0"}));
    EXPECT_EQ(runner.waiting(), 0);
}

TEST_F(Runner, QueuedActionNeverRunsInsideItsCaller)
{
    runner.queue(steps("q", 1));
    EXPECT_TRUE(log.empty());
    runner.run(steps("r", 1)); // behind the one waiting, not before it
    EXPECT_TRUE(log.empty());
    settle();
    EXPECT_EQ(log, (std::vector<std::string>{"q0", "r0"}));
}

TEST_F(Runner, ServesAtMostEveryIntervalAndOnlyDuringAnAction)
{
    runner.serveIfDue();
    runner.serveUntil(clock.now() + 1s);
    runner.answerWaiting();
    EXPECT_EQ(events.servings + events.answers, 0) << "idle: nothing to serve for";
    runner.run(steps("a", 40)); // 400 ms
    EXPECT_EQ(events.servings, 400ms / ActionRunner::serveInterval);
    bool nested = false;
    events.arrivals = {[&] {
        const int before = events.servings;
        runner.serveIfDue();
        runner.serveUntil(clock.now() + 1s);
        runner.answerWaiting();
        nested = events.servings != before || events.answers != 0;
    }};
    runner.run([&] {
        runner.serveUntil(clock.now() + 100ms);
        runner.answerWaiting();
    });
    EXPECT_FALSE(nested) << "a serving never serves inside itself";
    EXPECT_EQ(events.answers, 1) << "between servings the calls waiting are answered";
}

TEST_F(Runner, StopEndsTheRunningActionOnlyAndIsClearedWithIt)
{
    runner.stop(); // idle: nothing to stop
    EXPECT_FALSE(runner.stopRequested());
    events.arrivals = {[&] { runner.queue(steps("b", 3)); }, [&] { runner.stop(); }};
    runner.run(steps("a", 100));
    EXPECT_LT(log.size(), 10u);
    EXPECT_FALSE(runner.stopRequested());
    settle();
    EXPECT_EQ(log.back(), "b2") << "the queued action runs whole";
}

TEST_F(Runner, HeldInputIsDeliveredOnceInOrderAfterTheRun)
{
    events.arrivals = {
        [&] { EXPECT_TRUE(offer(&receiver, key("1"), Input::Other)); },
        [&] { runner.queue([&] { log.push_back("queued"); }); },
        [&] {
            EXPECT_TRUE(offer(&receiver,
                              new QMouseEvent(QEvent::MouseMove, QPointF(), QPointF(), Qt::NoButton, {}, {}),
                              Input::Motion));
        },
        [&] { EXPECT_TRUE(offer(&receiver, key("2"), Input::Other)); },
        [&] { EXPECT_FALSE(offer(&receiver, key("tab"), Input::Focus)) << "a focus move goes at once"; },
    };
    runner.run(steps("a", 30));
    EXPECT_TRUE(events.arrivals.empty());
    EXPECT_TRUE(receiver.got.empty());
    // Input that comes before the queue is taken up goes behind it.
    EXPECT_TRUE(offer(&receiver, key("3"), Input::Other));
    // A key whose delivery starts an action: it runs at once, before "3".
    receiver.onEvent = [&](QEvent*) {
        if (receiver.got.back() == "2")
            runner.run([&] { log.push_back("from 2"); });
    };
    settle();
    EXPECT_EQ(receiver.got, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
              (std::vector<std::string>{"queued", "from 2"}));
    EXPECT_FALSE(offer(&receiver, key("4"), Input::Other)) << "idle: input goes its way";
}

TEST_F(Runner, EscAndAStopPressStopTheRunAndOnlyTheStopPressesReleaseIsConsumed)
{
    const auto release = [] {
        return new QMouseEvent(QEvent::MouseButtonRelease, QPointF(), QPointF(), Qt::LeftButton, {}, {});
    };
    for (const Input stop : {Input::Stop, Input::StopPress}) {
        SCOPED_TRACE(stop == Input::Stop ? "Esc" : "stop press");
        log.clear();
        events.arrivals = {[&] { EXPECT_TRUE(offer(&receiver, key("x"), stop)); }};
        runner.run(steps("a", 100));
        EXPECT_LT(log.size(), 10u);
    }
    // The stop press's release comes after the run: still consumed, once.
    EXPECT_TRUE(offer(&receiver, release(), Input::Release));
    EXPECT_FALSE(offer(&receiver, release(), Input::Release));
    // Between queued entries nothing runs: Esc waits its turn like a key.
    runner.queue([] {});
    EXPECT_TRUE(offer(&receiver, key("esc"), Input::Stop));
    EXPECT_TRUE(offer(&receiver, release(), Input::Release));
    settle();
    EXPECT_EQ(receiver.got, (std::vector<std::string>{"esc", "up"}));
}

TEST_F(Runner, CloseDuringARunStopsItDropsTheQueueAndClosesAfter)
{
    QSignalSpy closing(&runner, &ActionRunner::closeNow);
    EXPECT_FALSE(runner.deferClose()) << "idle: close now";
    events.arrivals = {[&] { runner.queue(steps("b", 1)); },
                       [&] { EXPECT_TRUE(offer(&receiver, key("k"), Input::Other)); },
                       [&] { EXPECT_TRUE(runner.deferClose()); }};
    runner.run(steps("a", 100));
    EXPECT_LT(log.size(), 20u);
    EXPECT_EQ(closing.count(), 0);
    settle();
    EXPECT_EQ(closing.count(), 1);
    EXPECT_EQ(log.back().front(), 'a');
    EXPECT_TRUE(receiver.got.empty());
    EXPECT_EQ(runner.waiting(), 0) << "what waited is dropped, not left for later";
    EXPECT_FALSE(runner.closePending());
}

TEST_F(Runner, FailureIsReportedThenTheActionEnds)
{
    std::vector<std::string> said;
    QObject::connect(&runner, &ActionRunner::failed, &runner,
                     [&](const QString& m) { said.push_back(m.toStdString()); });
    QObject::connect(&runner, &ActionRunner::ended, &runner, [&] { said.push_back("ended"); });
    runner.run([] { throw std::runtime_error("Port \"x\": no number"); });
    runner.run([] {});
    EXPECT_EQ(said, (std::vector<std::string>{"Port \"x\": no number", "ended", "ended"}));
    EXPECT_FALSE(runner.busy());
}

} // namespace
