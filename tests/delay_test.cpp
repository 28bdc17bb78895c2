// The delay library's numbering and its one promise: a wait lasts its interval
// from the call, on the clock it is given.
#include "support/Fakes.h"
#include "timing/PreciseDelay.h"

#include <gtest/gtest.h>

using namespace std::chrono;

TEST(PreciseDelay, DefinesIndicesInOrderAndRefusesBadUnitsAndLengths)
{
    FakeClock clock;
    PreciseDelay delay(clock);
    EXPECT_EQ(delay.DefineDelay(55, 2), 1);
    EXPECT_EQ(delay.DefineDelay(650, 2), 2);
    EXPECT_EQ(delay.DefineDelay(0, 1), 0);
    EXPECT_EQ(delay.DefineDelay(-5, 2), 0);
    EXPECT_EQ(delay.DefineDelay(10, 3), 0);
    EXPECT_EQ(delay.DefineDelay(10, 0), 0);
    EXPECT_EQ(delay.DefineDelay(2600, 1), 3);
    EXPECT_EQ(delay.DefineDelay(26, 1), 4);
    EXPECT_EQ(delay.interval(1), milliseconds(55));
    EXPECT_EQ(delay.interval(2), milliseconds(650));
    EXPECT_EQ(delay.interval(3), microseconds(2600));
    EXPECT_EQ(delay.interval(4), microseconds(26));
    EXPECT_EQ(delay.interval(0), nanoseconds::zero());
    EXPECT_EQ(delay.interval(5), nanoseconds::zero());
    EXPECT_EQ(delay.interval(-1), nanoseconds::zero());
}

// Work before a wait (a late earlier wake) is never caught up by shortening
// it: the rig needs every gap whole.
TEST(PreciseDelay, AWaitLastsItsIntervalFromTheCallAndAnUndefinedOneNothing)
{
    FakeClock clock;
    PreciseDelay delay(clock);
    delay.DefineDelay(26, 1);
    delay.DefineDelay(12, 2);
    const struct {
        int16_t index;
        microseconds workBefore, lasts;
    } rows[] = {{1, 0us, 26us}, {2, 3ms, 12ms}, {1, 40us, 26us},
                {0, 0us, 0us},  {3, 1ms, 0us},  {-1, 0us, 0us}};
    for (const auto& row : rows) {
        clock.advance(row.workBefore);
        const auto call = clock.now();
        delay.WaitDelay(row.index);
        EXPECT_EQ(clock.now() - call, row.lasts) << "row " << &row - rows;
    }
}

#include "timing/RealtimeDelay.h"

#include <QCoreApplication>

#include <pthread.h>

TEST(RealtimeDelay, RaisesOncePerActionAndDropsBackWhenItEnds)
{
    for (const bool allowed : {true, false}) {
        SCOPED_TRACE(allowed ? "allowed" : "refused");
        TrafficLog log;
        RecordingTimer inner(log);
        RealtimeDelay realtime(inner, {[&] {
                                           log.push_back("raise");
                                           return allowed;
                                       },
                                       [&] { log.push_back("lower"); }});
        EXPECT_EQ(realtime.DefineDelay(26, 1), 1);
        realtime.WaitDelay(1);
        // A serving inside the action changes nothing.
        QCoreApplication::processEvents();
        realtime.WaitDelay(1);
        realtime.actionEnded();
        realtime.actionEnded();
        realtime.WaitDelay(1);
        EXPECT_EQ(realtime.allowed(), allowed);
        // Refused once, it is not asked again.
        const TrafficLog expected =
            allowed ? TrafficLog{"define 26 1 1", "raise", "wait 1", "wait 1", "lower", "raise", "wait 1"}
                    : TrafficLog{"define 26 1 1", "raise", "wait 1", "wait 1", "wait 1"};
        EXPECT_EQ(log, expected);
    }
}

TEST(RealtimeDelay, ThisThreadRunsUnderFifoAndBack)
{
    const auto policy = [] {
        int p = 0;
        sched_param param{};
        pthread_getschedparam(pthread_self(), &p, &param);
        return p;
    };
    const RealtimeDelay::Scheduler scheduler = RealtimeDelay::Scheduler::thisThread();
    if (!scheduler.raise())
        GTEST_SKIP() << "this system refuses SCHED_FIFO";
    EXPECT_EQ(policy(), SCHED_FIFO);
    scheduler.lower();
    EXPECT_EQ(policy(), SCHED_OTHER);
}
