#pragma once
// How likely each symbol of the code is, by the company it keeps: a rig's
// annunciation is mostly figures and a point, now and then after a short
// label or before a closing sign; other traffic is rarer. Used as a
// probability beside what the samples say, never in their place: a symbol the
// samples bear out by more than its odds is read as it was sent.

namespace morse
{

// What stands next to a symbol in its word: figures (a digit or the point),
// letters, or nothing (a word of one symbol).
enum class Company { Alone, Figures, Letters };

// The company the symbol `id` keeps for a neighbour of its word.
Company companyOf(char id);

// Natural log of the odds of the symbol `id` in `company`, against the likeliest
// symbol there (0 for that, below 0 for the rest).
double logPrior(char id, Company company);

} // namespace morse
