#pragma once
// --trace: one line per library call on a stream, in call order, decimal:
//   in <address> <value>    out <address> <low byte>
//   define <length> <unit> <result>    wait <index>
// The wrappers pass every call on to the real port and timer unchanged. A
// stream that fails (its reader has gone away: EPIPE) ends the trace, never
// the program.

#include "Module1.h"

#include <cstdio>

// printf onto *out unless it is null; on a failed write sets it to null.
void writeTrace(std::FILE*& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

class TracingPort : public PortIo {
public:
    TracingPort(PortIo& inner, std::FILE* out) : inner_(inner), out_(out) {}
    int16_t Inp32(int16_t address) override;
    void Out32(int16_t address, int16_t value) override;

private:
    PortIo& inner_;
    std::FILE* out_;
};

class TracingTimer : public DelayTimer {
public:
    TracingTimer(DelayTimer& inner, std::FILE* out) : inner_(inner), out_(out) {}
    int16_t DefineDelay(int16_t length, int16_t unit) override;
    void WaitDelay(int16_t index) override;

private:
    DelayTimer& inner_;
    std::FILE* out_;
};
