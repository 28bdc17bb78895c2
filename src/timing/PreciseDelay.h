#pragma once
// The delay library: defines intervals by length and unit, and waits them out
// on the clock it is given (SteadyClock: precisely, on the monotonic clock).
//
// DefineDelay(length, unit) defines the next index (1, 2, 3, ...) and returns
// it: unit 1 is microseconds, unit 2 milliseconds. Any other unit or a length
// below 1 defines nothing and returns 0.
// WaitDelay(index) returns once that interval has passed since the call. An
// undefined index returns at once.

#include "Module1.h"
#include "timing/Clock.h"

#include <chrono>
#include <vector>

class PreciseDelay : public DelayTimer {
public:
    // clock must outlive the delay.
    explicit PreciseDelay(Clock& clock) : clock_(clock) {}
    int16_t DefineDelay(int16_t length, int16_t unit) override;
    void WaitDelay(int16_t index) override;

    // The interval an index names, or zero for an undefined one.
    std::chrono::nanoseconds interval(int16_t index) const;

private:
    Clock& clock_;
    std::vector<std::chrono::nanoseconds> intervals_;
};
