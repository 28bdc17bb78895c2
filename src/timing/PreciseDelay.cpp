#include "timing/PreciseDelay.h"

using namespace std::chrono;

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
    const auto start = clock_.now();
    const nanoseconds length = interval(index);
    if (length > nanoseconds::zero())
        clock_.waitUntil(start + length);
}
