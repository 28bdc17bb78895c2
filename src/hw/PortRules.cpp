#include "hw/PortRules.h"

#include "lines/LineMap.h"
#include "rules/StandardPort.h"

#include <cctype>
#include <cstdlib>
#include <system_error>

bool isRestRegister(uint16_t address)
{
    for (const uint16_t base : rules::standardBases)
        if (address == base || address == base + 2)
            return true;
    return false;
}

void HardwarePort::absentOrRefuse(uint16_t address) const
{
    if (startingUp_ && isRestRegister(address))
        return;
    throw PortRefused(refusal(address));
}

std::optional<unsigned> HardwarePort::registerFor(const LineMap& map, uint16_t address, bool write,
                                                  const char* portName) const
{
    const std::optional<unsigned> reg = map.registerAt(address);
    if (!reg) {
        absentOrRefuse(address);
        return std::nullopt;
    }
    if (write && map.isStatusRegister(*reg))
        throw statusRefused(address, map.base(), portName);
    return reg;
}

PortRefused HardwarePort::statusRefused(uint16_t address, uint16_t base, const char* portName)
{
    return PortRefused(std::to_string(address) + " is the read-only status register of the " + portName +
                       " at " + std::to_string(base));
}

std::string errorText(int error)
{
    std::string text = std::generic_category().message(std::abs(error));
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}
