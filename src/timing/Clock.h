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
    // Returns once now() has reached about `deadline`: never early, late by
    // however long the system takes to wake a sleeper, and cheap to the CPU
    // however short (a precise wait may spin).
    virtual void napUntil(TimePoint deadline) { waitUntil(deadline); }
};
