#pragma once
// The Morse code of what a rig annunciates: the ten digits and the decimal
// point, as strings of '.' (dit) and '-' (dah).
//
// Timing, in units of one dit: a dit 1, a dah 3, the gap inside a character 1,
// between characters 3. A speed of W words a minute is a dit of 1.2 / W s.

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

// A rig tunes in steps of 50 Hz and annunciates its frequency in kHz to at
// most 10 Hz: a second decimal is one of these, and none follows it.
inline constexpr std::string_view tenHzDigits = "05";

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
