#pragma once
// The best reading of a whole message: a search over every way of cutting the
// signal into marks and gaps that spells symbols of the code, each
// length scored against its nominal one (generous enough for a hand-built
// keyer), each mark by the evidence of the samples under it. No hard decision
// is taken before the whole message has been weighed.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morse
{

struct ReadMark {
    int start = 0, end = 0; // steps, end exclusive
    int character = 0;      // index into the reading's text
};

struct Reading {
    std::string text;             // symbol ids (morse/Code.h)
    std::vector<bool> wordBefore; // for each character of text: a word gap before it
    std::vector<ReadMark> marks;
    double score = 0; // log-likelihood ratio against no signal at all
};

// What the samples say of a mark over steps [end - length, end): the
// log-likelihood ratio of a mark there against a gap, for every end in
// 0..steps and every length 1..longest.
class MarkScores
{
public:
    MarkScores(int steps, int longest)
        : steps_(steps), longest_(longest), score_(static_cast<size_t>(steps + 1) * (longest + 1), 0.0f)
    {
    }
    int steps() const { return steps_; }
    float operator()(int end, int length) const { return score_[index(end, length)]; }
    float& at(int end, int length) { return score_[index(end, length)]; }

private:
    size_t index(int end, int length) const { return static_cast<size_t>(end) * (longest_ + 1) + length; }
    int steps_, longest_;
    std::vector<float> score_;
};

// The relative spread of the lengths of a steady hand's marks and gaps.
inline constexpr double steadyHand = 0.1;

// The longest mark the reading considers at this speed, in steps.
int longestMark(double stepsPerDit);

// stepsPerDit: the steps of one dit (4..16, not necessarily whole); `scores` for
// lengths up to longestMark(stepsPerDit) at least; jitter: the relative
// spread of the lengths the keyer sends, steadyHand up to twice that (the
// weights widen between; beyond, they stay as at either end). An empty
// reading when no message scores above silence.
Reading bestReading(const MarkScores& scores, double stepsPerDit, double jitter = steadyHand);

// How far (log-likelihood) the reading stands above its nearest rivals: for
// each character, the symbol its place is read as, with the odds of each
// symbol in the company of its word's neighbours (morse/Prior.h) beside what
// the samples between its neighbours' marks say, and by how much that wins
// over any other (the first and the last also over silence); and by how much
// the message explains the samples better than with one more character
// before it, or after it (one of `following`, at its odds beside the
// message's character at that end; none at all when `following` is empty).
struct Margins {
    std::string chosen; // symbol ids, one for each of the reading's characters
    std::vector<double> characters;
    // For each character, by how much its timing says the gap before it is
    // the kind it was read as (between characters, or between words) rather
    // than the other; infinite for the first.
    std::vector<double> gaps;
    double before = 0, after = 0;
};
// Same marks, speed and jitter as `reading` was made with; `edgeScores`
// weigh the marks beyond its ends, where their level is less sure.
Margins margins(const MarkScores& scores, const MarkScores& edgeScores, double stepsPerDit, double jitter,
                const Reading& reading, std::string_view following);

// Of `choices`, the character the samples bear out best in the place of the
// reading's character `character` (between its neighbours' marks), and by
// how much it wins over the others (the first and the last character also
// over silence): for a place where the message allows only some characters.
struct Choice {
    char character = 0;
    double margin = 0;
};
Choice bestOf(const MarkScores& scores, int stepsPerDit, const Reading& reading, int character,
              std::string_view choices);

// The score of the best cutting into marks and gaps of any lengths a keyer
// sends at this speed, spelling no matter what: a cheap first look at which
// speeds fit at all.
double roughScore(std::span<const float> evidence, double stepsPerDit);

} // namespace morse
