#include "hw/PortRules.h"

#include <cctype>
#include <cstdlib>
#include <system_error>

bool isRestRegister(uint16_t address)
{
    for (const uint16_t base : {632, 888, 956})
        if (address == base || address == base + 2)
            return true;
    return false;
}

void absentOrRefuse(uint16_t address)
{
    if (isRestRegister(address))
        return;
    throw PortRefused("no parallel port at " + std::to_string(address) + "; other cards need --port direct");
}

std::string errorText(int error)
{
    std::string text = std::generic_category().message(std::abs(error));
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}
