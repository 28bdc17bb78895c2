#include "timing/PreciseDelay.h"

#include <cerrno>
#include <ctime>
#include <sys/prctl.h>

using namespace std::chrono;

namespace {

// How early to wake before the deadline and spin the rest. The kernel wakes a
// sleeper late by its timer slack plus the idle CPU's exit latency (tens to a
// couple of hundred microseconds on a virtual machine); waits shorter than the
// margin are spun whole.
nanoseconds wakeMargin(nanoseconds interval)
{
    return interval >= 10ms ? nanoseconds(500us) : nanoseconds(200us);
}

void sleepUntil(steady_clock::time_point wake)
{
    // steady_clock is CLOCK_MONOTONIC on Linux.
    const auto since = wake.time_since_epoch();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(duration_cast<seconds>(since).count());
    ts.tv_nsec = static_cast<long>((since - seconds(ts.tv_sec)).count());
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

} // namespace

PreciseDelay::PreciseDelay()
{
    // The default 50 µs slack lets the kernel wake us that much later still.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

int16_t PreciseDelay::DefineDelay(int16_t length, int16_t unit)
{
    if (length < 1 || (unit != 1 && unit != 2))
        return 0;
    intervals_.push_back(unit == 1 ? nanoseconds(microseconds(length)) : nanoseconds(milliseconds(length)));
    return static_cast<int16_t>(intervals_.size());
}

nanoseconds PreciseDelay::interval(int16_t index) const
{
    if (index < 1 || static_cast<size_t>(index) > intervals_.size())
        return nanoseconds::zero();
    return intervals_[static_cast<size_t>(index) - 1];
}

void PreciseDelay::WaitDelay(int16_t index)
{
    // Measured from the call: a late earlier wake is never caught up by
    // shortening this gap, as the rig needs every gap whole.
    const auto start = steady_clock::now();
    const nanoseconds length = interval(index);
    if (length > nanoseconds::zero())
        waitUntil(start + length);
}

void PreciseDelay::waitUntil(steady_clock::time_point deadline)
{
    const auto now = steady_clock::now();
    const nanoseconds margin = wakeMargin(deadline - now);
    if (deadline - now > margin)
        sleepUntil(deadline - margin);
    while (steady_clock::now() < deadline) {
    }
}
