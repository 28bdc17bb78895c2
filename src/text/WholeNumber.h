#pragma once
// Whole numbers from the command line and the system's files: digits only,
// as std::from_chars reads them; no blank, no sign, no prefix.

#include <charconv>
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
