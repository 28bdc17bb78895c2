#include "support/Fakes.h"

int16_t RecordingPort::Inp32(int16_t address)
{
    int16_t value = 255;
    if (auto p = pinned_.find(address); p != pinned_.end())
        value = p->second;
    else if (auto w = written_.find(address); w != written_.end())
        value = static_cast<int16_t>(w->second);
    log_.push_back("in " + std::to_string(address) + " " + std::to_string(value));
    return value;
}

void RecordingPort::Out32(int16_t address, int16_t value)
{
    written_[address] = value & 0xff;
    log_.push_back("out " + std::to_string(address) + " " + std::to_string(value & 0xff));
}

int RecordingPort::lastWritten(int16_t address) const
{
    auto w = written_.find(address);
    return w == written_.end() ? -1 : w->second;
}

int16_t RecordingTimer::DefineDelay(int16_t length, int16_t unit)
{
    const int16_t result = (length >= 1 && (unit == 1 || unit == 2)) ? ++defined_ : 0;
    log_.push_back("define " + std::to_string(length) + " " + std::to_string(unit) + " " +
                   std::to_string(result));
    return result;
}

void RecordingTimer::WaitDelay(int16_t index)
{
    log_.push_back("wait " + std::to_string(index));
    if (onWait)
        onWait(index);
}
