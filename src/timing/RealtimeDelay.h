#pragma once
// --realtime: runs the waits of an action under SCHED_FIFO, so that a busy
// machine cannot push a line change late. The first wait of an action raises
// the thread's policy, once; it drops back to the normal one when told the
// action has ended (actionEnded), not at the servings inside it. Where the
// system does not allow it (no CAP_SYS_NICE, no RLIMIT_RTPRIO), it stays off,
// silently.

#include "Module1.h"

#include <functional>

class RealtimeDelay : public DelayTimer {
public:
    // The calling thread's scheduling policy. raise: to the lowest SCHED_FIFO
    // priority, true if the system allowed it; lower: back to SCHED_OTHER.
    struct Scheduler {
        std::function<bool()> raise;
        std::function<void()> lower;
        static Scheduler thisThread();
    };

    explicit RealtimeDelay(DelayTimer& inner, Scheduler scheduler = Scheduler::thisThread())
        : inner_(inner), scheduler_(std::move(scheduler))
    {
    }
    ~RealtimeDelay() override;
    int16_t DefineDelay(int16_t length, int16_t unit) override { return inner_.DefineDelay(length, unit); }
    void WaitDelay(int16_t index) override;

    // Drops back to the normal policy if raised; the next wait raises again.
    void actionEnded();
    // Whether the last attempt to raise the policy was allowed.
    bool allowed() const { return allowed_; }

private:
    void raise();

    DelayTimer& inner_;
    Scheduler scheduler_;
    bool raised_ = false;
    bool allowed_ = true;
};
