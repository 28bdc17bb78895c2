#pragma once
// The steady timeline the waits are timed on. The program runs on SteadyClock;
// a test hands in one that moves only when told, so that no test sleeps.

#include <chrono>

class Clock
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    // The time now; never goes back.
    virtual TimePoint now() const = 0;
    // Returns once now() has reached `deadline`, at once if it already has.
    // Never returns early; how late is the twin's business.
    virtual void waitUntil(TimePoint deadline) = 0;
};
