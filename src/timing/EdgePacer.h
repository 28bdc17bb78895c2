#pragma once
// Paces the edges on the rig's lines rather than the calls that make them.
//
// What the rig needs is a whole gap between two line changes. So a wait need
// not block where it is called: PacedDelay::WaitDelay only sets a deadline
// (the interval from the call) and returns, and PacedPort waits that deadline
// out before the next port access, read or write. The work between two line
// changes (the displays, the conversions, reading the Port text) is then done
// inside the gap instead of after it, and each gap is exactly its length
// whenever that work fits. Nothing can come sooner than with a blocking wait:
// a gap is still at least its interval, counted from the wait's call.
//
// A second wait while one is pending first waits out the pending one, as two
// blocking waits in a row would.
//
// Long waits (a key hold, the pause after a run) may be spent serving the
// program: before the sleeping part of a wait of at least idleThreshold, the
// Serving handed to the pacer is asked to serve until idleReturnMargin before
// the deadline; the rest is waited out precisely as always, so serving never
// shortens a wait. A serving that overruns lengthens it by the overrun.
// Shorter gaps of at least answerThreshold (the steps at "Low") answer the
// calls other programs wait on, every answerPoll until answerMargin before the
// deadline: a screen reader's questions are then answered within a fraction
// of a millisecond, not at the next serving.

#include "Module1.h"
#include "timing/Clock.h"
#include "timing/PreciseDelay.h"
#include "timing/Serving.h"

#include <chrono>
#include <optional>

class EdgePacer
{
public:
    // clock: what the deadlines are set and waited out on. serving: what the
    // long waits serve, or nullptr (they only wait). Both must outlive the
    // pacer.
    explicit EdgePacer(Clock& clock, Serving* serving = nullptr) : clock_(clock), serving_(serving) {}

    static constexpr std::chrono::milliseconds idleThreshold{10};
    static constexpr std::chrono::milliseconds idleReturnMargin{2};
    static constexpr std::chrono::microseconds answerThreshold{500};
    static constexpr std::chrono::microseconds answerMargin{300};
    static constexpr std::chrono::microseconds answerPoll{250};

    // The next access may come no sooner than `interval` from now. Waits out a
    // deadline still pending first.
    void defer(std::chrono::nanoseconds interval);
    // Returns once the pending deadline, if any, has passed.
    void await();

private:
    void answerUntil(Clock::TimePoint returnBy);

    Clock& clock_;
    std::optional<Clock::TimePoint> deadline_;
    Serving* serving_;
    bool servingNow_ = false;
};

// The delay library with its waits deferred to the next port access.
class PacedDelay : public DelayTimer
{
public:
    PacedDelay(PreciseDelay& intervals, EdgePacer& pacer) : intervals_(intervals), pacer_(pacer) {}
    int16_t DefineDelay(int16_t length, int16_t unit) override
    {
        return intervals_.DefineDelay(length, unit);
    }
    // Sets the deadline and returns; an undefined index sets none.
    void WaitDelay(int16_t index) override;

private:
    PreciseDelay& intervals_;
    EdgePacer& pacer_;
};

// A port whose every access first waits out the pacer's deadline. Sits
// innermost, right in front of the hardware.
class PacedPort : public PortIo
{
public:
    PacedPort(PortIo& inner, EdgePacer& pacer) : inner_(inner), pacer_(pacer) {}
    int16_t Inp32(int16_t address) override;
    void Out32(int16_t address, int16_t value) override;

private:
    PortIo& inner_;
    EdgePacer& pacer_;
};
