#include "timing/RealtimeDelay.h"

#include <pthread.h>
#include <sched.h>

RealtimeDelay::Scheduler RealtimeDelay::Scheduler::thisThread()
{
    return {[] {
                // The lowest real-time priority is enough to run ahead of every
                // ordinary task; higher ones would only compete with the
                // kernel's own threads.
                const sched_param param{sched_get_priority_min(SCHED_FIFO)};
                return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
            },
            [] {
                const sched_param param{0};
                pthread_setschedparam(pthread_self(), SCHED_OTHER, &param);
            }};
}

RealtimeDelay::~RealtimeDelay() { actionEnded(); }

void RealtimeDelay::WaitDelay(int16_t index)
{
    if (!raised_ && allowed_)
        raise();
    inner_.WaitDelay(index);
}

void RealtimeDelay::raise()
{
    allowed_ = scheduler_.raise();
    if (!allowed_)
        return;
    raised_ = true;
}

void RealtimeDelay::actionEnded()
{
    if (!raised_)
        return;
    scheduler_.lower();
    raised_ = false;
}
