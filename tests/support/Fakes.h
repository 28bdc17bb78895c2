#pragma once
// Recording fakes of the two outside libraries. Both write into one ordered
// log, in the --trace format, so a test states the exact wire traffic and the
// waits between it as a list of lines.

#include "Module1.h"
#include "timing/PreciseDelay.h"

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

// A monotonic clock that moves only when told.
struct FakeClock {
    std::chrono::steady_clock::time_point now{};
    std::function<std::chrono::steady_clock::time_point()> reader()
    {
        return [this] { return now; };
    }
};

// The real library's delays, waited out on a fake clock: a wait moves the
// clock on by its interval and returns at once, so a long key press is long
// to whatever reads that clock, and no test sleeps.
class ClockedDelay : public PreciseDelay {
public:
    explicit ClockedDelay(FakeClock& clock) : clock_(clock) {}
    void WaitDelay(int16_t index) override { clock_.now += interval(index); }

private:
    FakeClock& clock_;
};
