#include "lines/LineMap.h"

#include "rules/StandardPort.h"

namespace
{

constexpr uint8_t statusReading = 127;

} // namespace

LineMap::LineMap(uint16_t base) : base_(base), standard_(rules::isStandardBase(base)) {}

std::optional<unsigned> LineMap::registerAt(uint16_t address) const
{
    const auto offset = static_cast<uint16_t>(address - base_);
    if (offset > 2)
        return std::nullopt;
    return offset;
}

lines::Drive LineMap::write(unsigned reg, uint8_t byte)
{
    if (isStatusRegister(reg))
        return {};
    registers_[reg] = byte;
    unsigned driven = 0;
    if (reg == 0)
        driven = lines::encoderA | lines::encoderB;
    else if (standard_)
        driven = lines::key | lines::rit;
    else
        driven = reg == 1 ? lines::key : lines::rit;
    return {driven, levels() & driven};
}

uint8_t LineMap::read(unsigned reg) const
{
    return isStatusRegister(reg) ? statusReading : registers_[reg];
}

unsigned LineMap::levels() const
{
    const uint8_t data = registers_[0];
    unsigned high = 0;
    if (data & 4)
        high |= lines::encoderA;
    if (data & 8)
        high |= lines::encoderB;
    const bool keyHigh = standard_ ? !(registers_[2] & 1) : (registers_[1] & 1);
    const bool ritHigh = standard_ ? !(registers_[2] & 2) : (registers_[2] & 1);
    if (keyHigh)
        high |= lines::key;
    if (ritHigh)
        high |= lines::rit;
    return high;
}

void LineMap::rest()
{
    registers_[0] = 255;
    registers_[1] = 255;
    registers_[2] = standard_ ? 244 : 255;
}
