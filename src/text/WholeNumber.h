#pragma once
// Numbers from the command line and the system's files, as std::from_chars
// reads them: no blank, no '+', no prefix.

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

// The whole text as a number in `base` (10 or 16) from 0 to max; nullopt for
// an empty text, anything but digits, or a number above max.
inline std::optional<unsigned long> wholeNumber(std::string_view text, unsigned long max, int base = 10)
{
    unsigned long value = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value, base);
    if (text.empty() || error != std::errc() || end != last || value > max)
        return std::nullopt;
    return value;
}

// The whole text as a decimal number from lo to hi: an optional '-', digits
// with an optional point and exponent. nullopt for anything else, infinity and
// NaN included.
inline std::optional<double> decimalNumber(std::string_view text, double lo, double hi)
{
    double value = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (text.empty() || error != std::errc() || end != last || !std::isfinite(value) || value < lo ||
        value > hi)
        return std::nullopt;
    return value;
}
