#include "timing/EdgePacer.h"

#include <algorithm>

using namespace std::chrono;

void EdgePacer::defer(nanoseconds interval)
{
    await();
    deadline_ = clock_.now() + interval;
}

void EdgePacer::await()
{
    if (!deadline_)
        return;
    const Clock::TimePoint deadline = *deadline_;
    // The serving is to return a little before the deadline; the precise
    // wait takes the rest, so serving lengthens no gap unless it overruns.
    // Should the serving reach the port itself, that access waits here in full.
    const nanoseconds left = deadline - clock_.now();
    if (serving_ && !servingNow_ && left >= answerThreshold) {
        servingNow_ = true;
        try {
            if (left >= idleThreshold)
                serving_->serveUntil(deadline - idleReturnMargin);
            else
                answerUntil(deadline - answerMargin);
        } catch (...) {
            servingNow_ = false;
            throw;
        }
        servingNow_ = false;
    }
    clock_.waitUntil(deadline);
    deadline_.reset();
}

void EdgePacer::answerUntil(Clock::TimePoint returnBy)
{
    // A caller asks again as soon as it has its answer: answered only at the
    // start of each gap, a screen reader's five questions would take five
    // gaps. Napping between looks keeps the CPU free, where the precise wait
    // would spin.
    for (;;) {
        serving_->answerWaiting();
        const Clock::TimePoint now = clock_.now();
        if (now >= returnBy)
            return;
        clock_.napUntil(std::min(returnBy, now + answerPoll));
    }
}

void PacedDelay::WaitDelay(int16_t index)
{
    const nanoseconds length = intervals_.interval(index);
    if (length > nanoseconds::zero())
        pacer_.defer(length);
}

int16_t PacedPort::Inp32(int16_t address)
{
    pacer_.await();
    return inner_.Inp32(address);
}

void PacedPort::Out32(int16_t address, int16_t value)
{
    pacer_.await();
    inner_.Out32(address, value);
}
