// Runs that are stopped, and what waits for a run: the record stays the rig's
// truth however a run ends, and nothing asked for meanwhile acts inside it.
#include "support/Fakes.h"
#include "support/RigPanel.h"
#include "support/RowName.h"
#include "timing/EdgePacer.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class StoppedRun : public ::testing::Test {
protected:
    StoppedRun() : bench(RigSettings{})
    {
        bench.panel.show();
        bench.panel.KRV->setCurrentRow(1); // KRV-40, the rig's own model
    }

    // The record against the rig, and no step half played.
    void expectRecordIsTheRig()
    {
        EXPECT_EQ(displayHz(bench.panel.Text1), bench.rig.state().txHz);
        EXPECT_EQ(displayHz(bench.panel.Text3), bench.rig.state().rxHz);
        EXPECT_EQ(bench.panel.step_hz, bench.rig.state().stepHz);
        EXPECT_EQ(bench.rig.badTransitions(), 0);
        EXPECT_EQ(bench.panel.nsteps, 0);
        EXPECT_FALSE(bench.panel.busy());
    }

    RigPanel bench;
};

void postClick(QWidget* w)
{
    const QPointF centre = w->rect().center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(w, new QMouseEvent(type, centre, w->mapToGlobal(centre), Qt::LeftButton,
                                                       type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                                        : Qt::NoButton,
                                                       Qt::NoModifier));
}

struct StopRow {
    const char* proves;
    void (*stop)(Corvane&); // posted before the run; delivered at its first serving
};

const StopRow stopRows[] = {
    {"Esc stops the run",
     [](Corvane& p) {
         QCoreApplication::postEvent(p.Text5, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
     }},
    {"a click on the button held down stops it", [](Corvane& p) { postClick(p.Command13); }},
    {"closing stops it, then closes", [](Corvane& p) { QTimer::singleShot(0, &p, &Corvane::close); }},
};

class StopKinds : public StoppedRun, public ::testing::WithParamInterface<StopRow> {};

TEST_P(StopKinds, EveryStepPlayedIsCountedAndNoneElse)
{
    GetParam().stop(bench.panel);
    bench.panel.Command13->click(); // up 5k steps at "Low": 26 s
    const int played = (bench.rig.state().txHz - 7'040'000) / 200;
    EXPECT_GT(played, 0);
    EXPECT_LT(played, 20); // the first serving comes within a serving interval
    expectRecordIsTheRig();
    QCoreApplication::processEvents();
    EXPECT_EQ(bench.panel.isVisible(), GetParam().stop != stopRows[2].stop);
}

INSTANTIATE_TEST_SUITE_P(Rows, StopKinds, ::testing::ValuesIn(stopRows), RowName());

TEST_F(StoppedRun, GoToStoppedMidwaySwitchesTheStepBackAndDropsTheRest)
{
    bench.panel.Command2->click(); // the rig on 50 Hz steps: "E" switches to 200 Hz for its coarse run
    bench.panel.Text5->setText(QStringLiteral("7100"));
    QCoreApplication::postEvent(bench.panel.Text5, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    bench.panel.Command26->click();
    EXPECT_EQ(bench.rig.state().stepHz, 50);
    EXPECT_LT(bench.rig.state().txHz, 7'100'000);
    expectRecordIsTheRig();
}

TEST_F(StoppedRun, ActionAskedForDuringARunRunsAfterItOnce)
{
    int ran = 0;
    int32_t txWhenRun = 0;
    // Delivered at the run's first serving, as a remote request would be.
    QTimer::singleShot(0, &bench.panel, [&] {
        bench.panel.queueAction([&] {
            ++ran;
            txWhenRun = bench.rig.state().txHz;
        });
    });
    bench.panel.Command9->click(); // up 125 steps
    EXPECT_EQ(ran, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(txWhenRun, 7'040'000 + 125 * 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 1);
}

// A wait paced at the port: the next access comes the wait's interval after
// its call, the work in between done inside the gap, and a long wait lends its
// sleeping part out until a margin before the deadline.
TEST(EdgePacer, NextAccessWaitsOutTheGapAndLongWaitsServe)
{
    using namespace std::chrono;
    FakeClock clock;
    struct StampingPort : PortIo {
        explicit StampingPort(const Clock& c) : clock(c) {}
        const Clock& clock;
        std::vector<Clock::TimePoint> stamps;
        int16_t Inp32(int16_t) override { return 255; }
        void Out32(int16_t, int16_t) override { stamps.push_back(clock.now()); }
    } port(clock);
    // Serves until it is to return, as an idle event loop does.
    struct IdleServing : Serving {
        explicit IdleServing(FakeClock& c) : clock(c) {}
        FakeClock& clock;
        std::vector<Clock::TimePoint> until;
        int answers = 0;
        void serveUntil(Clock::TimePoint returnBy) override
        {
            until.push_back(returnBy);
            clock.waitUntil(returnBy);
        }
        void answerWaiting() override { ++answers; }
    } serving(clock);
    PreciseDelay intervals(clock);
    EdgePacer pacer(clock, &serving);
    PacedDelay delay(intervals, pacer);
    PacedPort paced(port, pacer);
    delay.DefineDelay(26, 1);
    delay.DefineDelay(12, 2);
    delay.DefineDelay(2600, 1);

    // work: done between the wait's call and the next access. A gap too short
    // to serve in but long enough answers the calls waiting.
    const struct {
        int16_t index;
        microseconds work, gap;
        bool serves, answers;
    } rows[] = {
        {1, 0us, 26us, false, false}, {1, 20us, 26us, false, false}, {1, 40us, 40us, false, false},
        {2, 0us, 12ms, true, false},  {2, 3ms, 12ms, false, true},   {0, 5us, 5us, false, false},
        {3, 0us, 2600us, false, true}, {3, 2200us, 2600us, false, false},
    };
    // Answered all through a gap, not once at its start.
    const int answeredBefore = serving.answers;
    delay.WaitDelay(3);
    paced.Out32(888, 255);
    EXPECT_EQ(serving.answers - answeredBefore, 1 + (2600us - EdgePacer::answerMargin) / EdgePacer::answerPoll + 1);
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        const size_t served = serving.until.size();
        const int answered = serving.answers;
        const auto call = clock.now();
        delay.WaitDelay(row.index);
        clock.advance(row.work);
        paced.Out32(888, 255);
        EXPECT_EQ(port.stamps.back() - call, row.gap);
        ASSERT_EQ(serving.until.size(), served + row.serves);
        EXPECT_EQ(serving.answers > answered, row.answers);
        if (row.serves) {
            EXPECT_EQ(serving.until.back(), call + row.gap - EdgePacer::idleReturnMargin);
        }
    }

    // Two waits in a row add up, as two blocking waits would.
    const auto before = clock.now();
    delay.WaitDelay(2);
    delay.WaitDelay(1);
    paced.Out32(888, 255);
    EXPECT_EQ(port.stamps.back() - before, 12ms + 26us);
}

} // namespace
