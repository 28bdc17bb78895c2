// The delay library's numbering and its one promise: a wait never ends early.
#include "timing/PreciseDelay.h"

#include <gtest/gtest.h>

using namespace std::chrono;

TEST(PreciseDelay, DefinesIndicesInOrderAndRefusesBadUnitsAndLengths)
{
    PreciseDelay delay;
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

TEST(PreciseDelay, WaitsAreNeverShorterThanDefined)
{
    PreciseDelay delay;
    delay.DefineDelay(26, 1);
    delay.DefineDelay(2600, 1);
    delay.DefineDelay(12, 2);
    for (int16_t index : {1, 2, 3}) {
        for (int i = 0; i < 5; ++i) {
            const auto start = steady_clock::now();
            delay.WaitDelay(index);
            EXPECT_GE(steady_clock::now() - start, delay.interval(index)) << index;
        }
    }
}

TEST(PreciseDelay, UndefinedIndexReturnsWithoutWaiting)
{
    PreciseDelay delay;
    delay.DefineDelay(650, 2);
    const auto start = steady_clock::now();
    delay.WaitDelay(0);
    delay.WaitDelay(2);
    delay.WaitDelay(-3);
    EXPECT_LT(steady_clock::now() - start, milliseconds(650));
}

#include "support/Fakes.h"
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
