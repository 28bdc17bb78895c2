#include "hw/GpioSettings.h"

#include "hw/PortRules.h"
#include "lines/LineMap.h"
#include "text/WholeNumber.h"

#include <string_view>
#include <vector>

namespace
{

std::vector<std::string> splitCommas(std::string_view text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma; (comma = text.find(',', start)) != std::string_view::npos; start = comma + 1)
        parts.emplace_back(text.substr(start, comma - start));
    parts.emplace_back(text.substr(start));
    return parts;
}

std::array<std::string, 4> parseLines(const std::string& text)
{
    const std::vector<std::string> parts = splitCommas(text);
    bool blank = false;
    for (const std::string& part : parts)
        blank = blank || part.empty();
    if (parts.size() != 4 || blank)
        throw StartupError("--gpio-lines \"" + text +
                           "\": give four lines, offsets or names: encoder A, encoder B, key, RIT "
                           "(e.g. 17,27,22,23)");
    return {parts[0], parts[1], parts[2], parts[3]};
}

unsigned parseActiveLow(const std::string& text)
{
    constexpr std::pair<std::string_view, unsigned> roles[] = {
        {"a", lines::encoderA}, {"b", lines::encoderB}, {"key", lines::key}, {"rit", lines::rit}};
    unsigned mask = 0;
    for (const std::string& part : splitCommas(text)) {
        unsigned line = 0;
        for (const auto& [name, bit] : roles)
            if (part == name)
                line = bit;
        if (line == 0)
            throw StartupError("--gpio-active-low \"" + text + "\": name lines among a, b, key, rit");
        mask |= line;
    }
    return mask;
}

uint16_t parseBase(const std::string& text)
{
    const std::optional<unsigned long> value = wholeNumber(text, 0xffff);
    if (!value)
        throw StartupError("--gpio-base \"" + text + "\": give the port address, 0..65535");
    return static_cast<uint16_t>(*value);
}

} // namespace

GpioSettings parseGpioSettings(const GpioTexts& texts)
{
    if (!texts.chip || texts.chip->empty())
        throw StartupError("--port gpio needs --gpio-chip (gpioinfo lists the chips)");
    if (!texts.lines)
        throw StartupError("--port gpio needs --gpio-lines A,B,KEY,RIT");
    GpioSettings settings;
    settings.chip = *texts.chip;
    settings.lines = parseLines(*texts.lines);
    if (texts.activeLow)
        settings.activeLow = parseActiveLow(*texts.activeLow);
    if (texts.drive && *texts.drive != "push-pull" && *texts.drive != "open-drain")
        throw StartupError("--gpio-drive \"" + *texts.drive + "\": choose push-pull or open-drain");
    settings.openDrain = texts.drive == "open-drain";
    if (texts.base)
        settings.base = parseBase(*texts.base);
    return settings;
}
