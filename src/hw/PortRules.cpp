#include "hw/PortRules.h"

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

std::string errorText(int error)
{
    std::string text = std::generic_category().message(std::abs(error));
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}
