#pragma once
// The Morse code: letters, figures, punctuation and the prosigns, as strings
// of '.' (dit) and '-' (dah).
//
// Each symbol has a one-character id, used inside the decoder, and the text
// it is written as: itself for letters, figures and punctuation, "<AR>",
// "<SK>", "<BT>" and "<KN>" for the prosigns (whose codes '+', '=' and '('
// share; they are written as the prosigns). A space between words stands for
// a word gap.
//
// Timing, in units of one dit: a dit 1, a dah 3, the gap inside a character 1,
// between characters 3, between words 7. A speed of W words a minute is a dit
// of 1.2 / W s.

#include <array>
#include <string_view>

namespace morse
{

struct Symbol {
    char id;
    std::string_view code;
    std::string_view written;
};

// The prosigns' ids: not printable, never in a written text.
inline constexpr char prosignAR = '\x01', prosignSK = '\x02', prosignBT = '\x03', prosignKN = '\x04';

inline constexpr std::array<Symbol, 52> alphabet{{
    {'A', ".-", "A"},
    {'B', "-...", "B"},
    {'C', "-.-.", "C"},
    {'D', "-..", "D"},
    {'E', ".", "E"},
    {'F', "..-.", "F"},
    {'G', "--.", "G"},
    {'H', "....", "H"},
    {'I', "..", "I"},
    {'J', ".---", "J"},
    {'K', "-.-", "K"},
    {'L', ".-..", "L"},
    {'M', "--", "M"},
    {'N', "-.", "N"},
    {'O', "---", "O"},
    {'P', ".--.", "P"},
    {'Q', "--.-", "Q"},
    {'R', ".-.", "R"},
    {'S', "...", "S"},
    {'T', "-", "T"},
    {'U', "..-", "U"},
    {'V', "...-", "V"},
    {'W', ".--", "W"},
    {'X', "-..-", "X"},
    {'Y', "-.--", "Y"},
    {'Z', "--..", "Z"},
    {'0', "-----", "0"},
    {'1', ".----", "1"},
    {'2', "..---", "2"},
    {'3', "...--", "3"},
    {'4', "....-", "4"},
    {'5', ".....", "5"},
    {'6', "-....", "6"},
    {'7', "--...", "7"},
    {'8', "---..", "8"},
    {'9', "----.", "9"},
    {'.', ".-.-.-", "."},
    {',', "--..--", ","},
    {'?', "..--..", "?"},
    {'/', "-..-.", "/"},
    {'-', "-....-", "-"},
    {'\'', ".----.", "'"},
    {'"', ".-..-.", "\""},
    {':', "---...", ":"},
    {';', "-.-.-.", ";"},
    {')', "-.--.-", ")"},
    {'@', ".--.-.", "@"},
    {'!', "-.-.--", "!"},
    {prosignAR, ".-.-.", "<AR>"},
    {prosignSK, "...-.-", "<SK>"},
    {prosignBT, "-...-", "<BT>"},
    {prosignKN, "-.--.", "<KN>"},
}};

// Every symbol's id, in the alphabet's order.
inline constexpr auto alphabetIds = [] {
    std::array<char, alphabet.size()> out{};
    for (size_t i = 0; i < alphabet.size(); ++i)
        out[i] = alphabet[i].id;
    return out;
}();
inline constexpr std::string_view characters{alphabetIds.data(), alphabetIds.size()};

// What stands in a written text for a character too weak to trust: no symbol
// of the code is written so.
inline constexpr char doubtful = '*';

// The code of the symbol `id`, or an empty view for an id outside the alphabet.
constexpr std::string_view codeOf(char id)
{
    for (const Symbol& s : alphabet)
        if (s.id == id)
            return s.code;
    return {};
}

// How the symbol `id` is written; empty for an id outside the alphabet.
constexpr std::string_view writtenOf(char id)
{
    for (const Symbol& s : alphabet)
        if (s.id == id)
            return s.written;
    return {};
}

// Seconds of one dit at `wpm` words a minute.
constexpr double ditSeconds(double wpm)
{
    return 1.2 / wpm;
}

} // namespace morse
