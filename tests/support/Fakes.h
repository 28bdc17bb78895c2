#pragma once
// Recording fakes of the two outside libraries. Both write into one ordered
// log, in the --trace format, so a test states the exact wire traffic and the
// waits between it as a list of lines.

#include "Module1.h"
#include "timing/Clock.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

using TrafficLog = std::vector<std::string>;

// Every address reads back the last byte written, 255 if never written,
// unless a test pins what it reads.
class RecordingPort : public PortIo {
public:
    explicit RecordingPort(TrafficLog& log) : log_(log) {}
    int16_t Inp32(int16_t address) override;
    void Out32(int16_t address, int16_t value) override;

    void pinReading(int16_t address, int16_t value) { pinned_[address] = value; }
    int lastWritten(int16_t address) const;

private:
    TrafficLog& log_;
    std::map<int16_t, int> written_;
    std::map<int16_t, int16_t> pinned_;
};

// Numbers delays 1, 2, ... as the real library does; a wait returns at once.
class RecordingTimer : public DelayTimer {
public:
    explicit RecordingTimer(TrafficLog& log) : log_(log) {}
    int16_t DefineDelay(int16_t length, int16_t unit) override;
    void WaitDelay(int16_t index) override;

    std::function<void(int16_t index)> onWait; // runs inside each wait

private:
    TrafficLog& log_;
    int16_t defined_ = 0;
};

// Fault injection: passes everything on, but refuses writes to one address
// the way a hardware backend refuses an address it does not know.
class RefusingPort : public PortIo {
public:
    RefusingPort(PortIo& inner, int16_t refused) : inner_(inner), refused_(refused) {}
    int16_t Inp32(int16_t address) override { return inner_.Inp32(address); }
    void Out32(int16_t address, int16_t value) override
    {
        if (address == refused_)
            throw std::runtime_error("no port at " + std::to_string(address));
        inner_.Out32(address, value);
    }

private:
    PortIo& inner_;
    int16_t refused_;
};

// A monotonic clock that moves only when told (advance) or waited on: a wait
// moves it on to its deadline and returns at once, so a long key press is long
// to whatever reads the clock, and no test sleeps.
class FakeClock : public Clock
{
public:
    TimePoint now() const override { return now_; }
    void waitUntil(TimePoint deadline) override { now_ = std::max(now_, deadline); }
    void advance(std::chrono::nanoseconds by) { now_ += by; }
    // The clock for what takes its time as a function (the simulated rig,
    // the display clock, the action runner).
    std::function<TimePoint()> reader()
    {
        return [this] { return now_; };
    }

private:
    TimePoint now_{};
};
