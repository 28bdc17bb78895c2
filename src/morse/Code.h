#pragma once
// The Morse code of what a rig annunciates: the ten digits and the decimal
// point, as strings of '.' (dit) and '-' (dah).
//
// Timing, in units of one dit: a dit 1, a dah 3, the gap inside a character 1,
// between characters 3. A speed of W words a minute is a dit of 1.2 / W s.

#include "rules/Steps.h"

#include <array>
#include <string_view>

namespace morse
{

struct Symbol {
    char character;
    std::string_view code;
};

inline constexpr std::array<Symbol, 11> alphabet{{
    {'0', "-----"},
    {'1', ".----"},
    {'2', "..---"},
    {'3', "...--"},
    {'4', "....-"},
    {'5', "....."},
    {'6', "-...."},
    {'7', "--..."},
    {'8', "---.."},
    {'9', "----."},
    {'.', ".-.-.-"},
}};

// Every character of the alphabet, in its order.
inline constexpr auto alphabetCharacters = [] {
    std::array<char, alphabet.size()> out{};
    for (size_t i = 0; i < alphabet.size(); ++i)
        out[i] = alphabet[i].character;
    return out;
}();
inline constexpr std::string_view characters{alphabetCharacters.data(), alphabetCharacters.size()};

// A rig annunciates its frequency in kHz to at most 10 Hz, and tunes on the
// grid of its fine step: a second decimal is one of these, and none follows it.
inline constexpr auto tenHzDigitCharacters = [] {
    std::array<char, 11> out{}; // the digits, then a terminating 0
    size_t n = 0;
    for (int d = 0; d <= 9; ++d)
        if (rules::tenHzDigitOnGrid(d))
            out[n++] = static_cast<char>('0' + d);
    return out;
}();
inline constexpr std::string_view tenHzDigits{tenHzDigitCharacters.data()};

// What an annunciation may go on with after `text`: any character, but
// after a first decimal only a second, and after a second nothing.
constexpr std::string_view mayFollow(std::string_view text)
{
    const size_t point = text.find('.');
    if (point == std::string_view::npos || text.size() < point + 2)
        return characters;
    return text.size() == point + 2 ? tenHzDigits : std::string_view();
}

// The code of `c`, or an empty view for a character outside the alphabet.
constexpr std::string_view codeOf(char c)
{
    for (const Symbol& s : alphabet)
        if (s.character == c)
            return s.code;
    return {};
}

// Seconds of one dit at `wpm` words a minute.
constexpr double ditSeconds(double wpm)
{
    return 1.2 / wpm;
}

} // namespace morse
