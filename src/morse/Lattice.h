#pragma once
// The best reading of a whole message: a search over every way of cutting the
// signal into marks and gaps that spells characters of the alphabet, each
// length scored against its nominal one (generous enough for a hand-built
// keyer), each mark by the evidence of the samples under it. No hard decision
// is taken before the whole message has been weighed.

#include <span>
#include <string>
#include <vector>

namespace morse
{

struct ReadMark {
    int start = 0, end = 0; // steps, end exclusive
    int character = 0;      // index into the reading's text
};

struct Reading {
    std::string text;
    std::vector<ReadMark> marks;
    double score = 0; // log-likelihood ratio against no signal at all
};

// evidence[k]: log-likelihood ratio of step k under a mark against a gap.
// stepsPerDit: the steps of one dit at the speed tried (4..16). An empty
// reading when no message scores above silence.
Reading bestReading(std::span<const float> evidence, int stepsPerDit);

// The score of the best cutting into marks and gaps of any lengths a keyer
// sends at this speed, spelling no matter what: a cheap first look at which
// speeds fit at all.
double roughScore(std::span<const float> evidence, double stepsPerDit);

} // namespace morse
