#pragma once
// The real monotonic clock (CLOCK_MONOTONIC), and waits on it precise to a
// few microseconds: waitUntil sleeps to shortly before the deadline and spins
// on the clock for the rest. Building one lowers the timer slack of the
// building thread to 1 ns, which its sleeps and every later one then keep.

#include "timing/Clock.h"

class SteadyClock final : public Clock
{
public:
    SteadyClock();
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    void waitUntil(TimePoint deadline) override;
    void napUntil(TimePoint deadline) override;
};
