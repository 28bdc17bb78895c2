#pragma once
// --realtime: runs the waits of a run under SCHED_FIFO, so that a busy machine
// cannot push a line change late. The first wait of a run raises the thread's
// policy; it drops back to the normal one as soon as the event loop runs again,
// that is, once the click that made the run has ended. Where the system does
// not allow it (no CAP_SYS_NICE, no RLIMIT_RTPRIO), it stays off, silently.

#include "Module1.h"

#include <QObject>

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

    // Whether the last attempt to raise the policy was allowed.
    bool allowed() const { return allowed_; }

private:
    void raise();
    void lower();

    DelayTimer& inner_;
    Scheduler scheduler_;
    QObject context_; // the pending drop back dies with this object
    bool raised_ = false;
    bool allowed_ = true;
};
