#include "timing/SteadyClock.h"

#include <cerrno>
#include <ctime>
#include <sys/prctl.h>

using namespace std::chrono;

namespace
{

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

SteadyClock::SteadyClock()
{
    // The default 50 µs slack lets the kernel wake us that much later still.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

void SteadyClock::napUntil(TimePoint deadline)
{
    if (steady_clock::now() < deadline)
        sleepUntil(deadline);
}

void SteadyClock::waitUntil(TimePoint deadline)
{
    const auto now = steady_clock::now();
    const nanoseconds margin = wakeMargin(deadline - now);
    if (deadline - now > margin)
        sleepUntil(deadline - margin);
    while (steady_clock::now() < deadline) {
    }
}
