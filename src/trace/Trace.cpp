#include "trace/Trace.h"

#include <cstdarg>

void writeTrace(std::FILE*& out, const char* format, ...)
{
    if (!out)
        return;
    std::va_list args;
    va_start(args, format);
    const int written = std::vfprintf(out, format, args);
    va_end(args);
    if (written < 0)
        out = nullptr;
}

int16_t TracingPort::Inp32(int16_t address)
{
    const int16_t value = inner_.Inp32(address);
    writeTrace(out_, "in %d %d\n", address, value);
    return value;
}

void TracingPort::Out32(int16_t address, int16_t value)
{
    inner_.Out32(address, value);
    // What reached the wire: the low byte. A refused write throws and is not traced.
    writeTrace(out_, "out %d %d\n", address, value & 0xff);
}

int16_t TracingTimer::DefineDelay(int16_t length, int16_t unit)
{
    const int16_t result = inner_.DefineDelay(length, unit);
    writeTrace(out_, "define %d %d %d\n", length, unit, result);
    return result;
}

void TracingTimer::WaitDelay(int16_t index)
{
    writeTrace(out_, "wait %d\n", index);
    inner_.WaitDelay(index);
}
