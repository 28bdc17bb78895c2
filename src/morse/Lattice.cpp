#include "morse/Lattice.h"

#include "morse/Code.h"
#include "morse/Prior.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace morse
{

namespace
{

constexpr float never = -1e30f;
// What a character must be worth to be read at all: noise alone, searched
// long enough, spells something.
constexpr float characterCost = 6;
// Log-odds against a character lost beyond an end of a message, and for a
// word of one symbol at an end (a label or a closing sign) against noise.
constexpr double lostOdds = 3, asideOdds = 3;

struct Node {
    std::array<int, 2> child{-1, -1}; // after a dit, after a dah
    int parent = -1;
    int kind = 0;    // the element that leads here: 0 dit, 1 dah
    int symbol = -1; // the character that ends here, index into the alphabet
};

std::vector<Node> codeTree()
{
    std::vector<Node> nodes(1);
    for (size_t s = 0; s < alphabet.size(); ++s) {
        int at = 0;
        for (const char e : alphabet[s].code) {
            const int kind = e == '-' ? 1 : 0;
            if (nodes[at].child[kind] < 0) {
                nodes[at].child[kind] = static_cast<int>(nodes.size());
                Node next;
                next.parent = at;
                next.kind = kind;
                nodes.push_back(next);
            }
            at = nodes[at].child[kind];
        }
        nodes[at].symbol = static_cast<int>(s);
    }
    return nodes;
}

// Log-weights of a length of `steps`, for lengths lo..hi (in dits) around
// `nominal`; below nominal with spread `below`, above with `above` (in dits).
struct Lengths {
    int lo = 1, hi = 1;
    std::vector<float> weight; // index steps - lo
    std::vector<bool> word;    // a gap's: index steps - lo, true where a word gap is the likelier
    std::vector<float> rival;  // a gap's: index steps - lo, the weight of the less likely kind

    Lengths(double stepsPerDit, double loDits, double hiDits, double nominal, double below, double above)
    {
        lo = std::max(1, static_cast<int>(std::floor(loDits * stepsPerDit)));
        hi = std::max(lo, static_cast<int>(std::ceil(hiDits * stepsPerDit)));
        for (int d = lo; d <= hi; ++d) {
            const double dits = d / stepsPerDit;
            const double spread = dits < nominal ? below : above;
            const double z = (dits - nominal) / spread;
            weight.push_back(static_cast<float>(-0.5 * z * z));
        }
        word.assign(weight.size(), false);
    }

    // A gap between characters: up to hiDits, as weighed above, or one
    // between words around `nominal` dits, at `cost` for being the rarer.
    void orWord(double stepsPerDit, double hiDits, double nominal, double below, double above, double cost)
    {
        const int last = std::max(hi, static_cast<int>(std::ceil(hiDits * stepsPerDit)));
        weight.resize(static_cast<size_t>(last - lo + 1), -1e9f);
        word.assign(weight.size(), false);
        rival.assign(weight.size(), -1e9f);
        for (int d = lo; d <= last; ++d) {
            const auto i = static_cast<size_t>(d - lo);
            const double dits = d / stepsPerDit;
            const double z = (dits - nominal) / (dits < nominal ? below : above);
            const auto w = static_cast<float>(-0.5 * z * z - cost);
            rival[i] = std::min(w, weight[i]);
            if (w > weight[i]) {
                weight[i] = w;
                word[i] = true;
            }
        }
        hi = last;
    }
};

// A hand-built keyer's elements stray by some 10 % of their length, now and
// then by half: the weights are a little wider than the first, and the ranges
// reach past the second, so that a dit and a dah, or the gaps, overlap: a
// length between them is weighed as either, never forced into one (which
// would make a misread character look sure). An
// message is sent in one go: a gap between characters well past three dits
// is a word gap, or a fade that took marks with it, and past some fourteen
// dits the end of what was sent. A word gap costs a little more than a gap
// between characters: most gaps are the latter. A dah falls off toward a
// dit's length no wider than its jitter: the last dit of a message, with
// nothing after it to bound it, would otherwise pass for a dah.
// A keyer that strays by 20 % fills the lengths between a dit and a dah, and
// between a gap of three dits and one of seven, almost up to where they meet
// (half of each, at most): its weights are wider, the more so the more its
// timing strays, and its word gaps as short as four and a half dits are
// still word gaps.
struct Timing {
    Lengths dit, dah, inner, between;
    Timing(double stepsPerDit, double jitter)
        : Timing(stepsPerDit, std::clamp((jitter - steadyHand) / steadyHand, 0.0, 1.0), 0)
    {
    }

private:
    // loose: 0 for a keyer that strays by steadyHand, 1 for one that strays by twice that.
    Timing(double stepsPerDit, double loose, int)
        : dit(stepsPerDit, 0.5, 2.0, 1, 0.13 + 0.08 * loose, 0.13 + 0.08 * loose),
          dah(stepsPerDit, 1.4, 4.5, 3, 0.30 + 0.30 * loose, 0.38 + 0.3 * loose),
          inner(stepsPerDit, 0.5, 2.0, 1, 0.13 + 0.08 * loose, 0.13 + 0.08 * loose),
          between(stepsPerDit, 1.4, 10, 3, 0.38 + 0.2 * loose, 0.6 + 0.1 * loose)
    {
        between.orWord(stepsPerDit, 14, 7, 1.1 + 0.4 * loose, 2.0, 3.0 - 1.5 * loose);
    }
};

// The best score of `code` spelt within [lo, hi): its marks, the gaps inside
// it, and the gaps between it and its neighbours' marks at lo and hi (free
// where there is no neighbour).
double spelt(std::string_view code, const MarkScores& scores, const Timing& timing, int lo, int hi,
             bool before, bool after)
{
    const int span = hi - lo;
    constexpr double none = -1e300;
    // [t]: the best score with the last gap, or the last mark, placed ending at lo + t.
    std::vector<double> gapEnd(span + 1, none), markEnd(span + 1, none);
    for (int t = 0; t <= span; ++t)
        if (!before)
            gapEnd[t] = 0;
        else if (t >= timing.between.lo && t <= timing.between.hi)
            gapEnd[t] = timing.between.weight[t - timing.between.lo];
    for (size_t e = 0; e < code.size(); ++e) {
        if (e > 0) {
            std::fill(gapEnd.begin(), gapEnd.end(), none);
            for (int t = 0; t <= span; ++t)
                for (int d = timing.inner.lo; d <= std::min(timing.inner.hi, t); ++d)
                    if (markEnd[t - d] > none)
                        gapEnd[t] =
                            std::max(gapEnd[t], markEnd[t - d] + timing.inner.weight[d - timing.inner.lo]);
        }
        const Lengths& len = code[e] == '-' ? timing.dah : timing.dit;
        std::fill(markEnd.begin(), markEnd.end(), none);
        for (int t = 0; t <= span; ++t)
            for (int d = len.lo; d <= std::min(len.hi, t); ++d)
                if (gapEnd[t - d] > none)
                    markEnd[t] =
                        std::max(markEnd[t], gapEnd[t - d] + scores(lo + t, d) + len.weight[d - len.lo]);
    }
    double best = none;
    for (int t = 0; t <= span; ++t) {
        if (markEnd[t] <= none)
            continue;
        const int rest = span - t;
        if (!after)
            best = std::max(best, markEnd[t]);
        else if (rest >= timing.between.lo && rest <= timing.between.hi)
            best = std::max(best, markEnd[t] + timing.between.weight[rest - timing.between.lo]);
    }
    return best;
}

} // namespace

int longestMark(double stepsPerDit)
{
    return Timing(stepsPerDit, steadyHand).dah.hi;
}

namespace
{

// By how much the reading explains the samples better than with one more
// character, one of `choices`, just before its first mark (`before`) or after
// its last. Such a character is weighed as the reading weighs one, at its cost
// and its odds beside the message's character at that end: noise beyond a
// message, searched long enough, looks like a lone dit or dah somewhere, and
// that is no sign of a character lost. A message that runs up to either end
// of the samples may go on beyond them: nothing says it does not. Without
// choices nothing can have been lost.
double edgeMargin(const MarkScores& scores, const Timing& timing, double stepsPerDit, const Reading& reading,
                  bool before, std::string_view choices, double lostCost)
{
    if (choices.empty())
        return std::numeric_limits<double>::infinity();
    const int longest = static_cast<int>(std::ceil(25 * stepsPerDit)) + timing.between.hi;
    const int room = static_cast<int>(std::ceil(1.5 * stepsPerDit));
    const int start = reading.marks.front().start, end = reading.marks.back().end;
    const int lo = before ? std::max(0, start - longest) : end;
    const int hi = before ? start : std::min(scores.steps(), end + longest);
    if (hi - lo < room)
        return 0.0;
    const Company company = companyOf(before ? reading.text.front() : reading.text.back());
    double margin = 1e3;
    for (const char c : choices)
        margin = std::min(margin, characterCost + lostCost - logPrior(c, company) -
                                      spelt(codeOf(c), scores, timing, lo, hi, !before, before));
    return margin;
}

// The company the reading's character `character` keeps in its word.
Company companyIn(const Reading& reading, int character)
{
    const auto c = static_cast<size_t>(character);
    bool figures = false, letters = false;
    const auto look = [&](size_t n) {
        const Company k = companyOf(reading.text[n]);
        figures |= k == Company::Figures;
        letters |= k == Company::Letters;
    };
    if (c > 0 && !reading.wordBefore[c])
        look(c - 1);
    if (c + 1 < reading.text.size() && !reading.wordBefore[c + 1])
        look(c + 1);
    return figures ? Company::Figures : letters ? Company::Letters : Company::Alone;
}

// Where a character of the reading may be spelt: between its neighbours'
// marks, or as far as a gap between characters reaches beyond the message's
// ends; bounded by a neighbour on a side (`before`, `after`) or free.
struct Place {
    int lo = 0, hi = 0;
    bool before = false, after = false;
};

Place placeOf(const MarkScores& scores, const Timing& timing, const Reading& reading, int character)
{
    int firstMark = -1, lastMark = -1, previousEnd = -1, nextStart = -1;
    for (const ReadMark& m : reading.marks) {
        if (m.character == character - 1)
            previousEnd = m.end;
        if (m.character == character) {
            firstMark = firstMark < 0 ? m.start : firstMark;
            lastMark = m.end;
        }
        if (m.character == character + 1 && nextStart < 0)
            nextStart = m.start;
    }
    Place p;
    p.before = previousEnd >= 0;
    p.after = nextStart >= 0;
    p.lo = p.before ? previousEnd : std::max(0, firstMark - timing.between.hi);
    p.hi = p.after ? nextStart : std::min(scores.steps(), lastMark + timing.between.hi);
    return p;
}

// What silence scores against a character: the first and the last may be
// nothing but noise, which the reading weighs at the cost of a character;
// less for a word of its own, a label's or a closing sign's place.
double silence(const Place& p, Company company)
{
    if (p.before && p.after)
        return -1e300;
    return company == Company::Alone ? characterCost - asideOdds : characterCost;
}

// Whether the reading ends in a group of figures that may go on: without a
// point, or with fewer than two decimals, which the rig's 50 Hz steps may
// follow with another.
bool figuresMayGoOn(const Reading& reading)
{
    size_t word = reading.text.size();
    while (word > 1 && !reading.wordBefore[word - 1])
        --word;
    --word;
    const std::string_view last = std::string_view(reading.text).substr(word);
    if (last.find_first_not_of("0123456789.") != std::string_view::npos)
        return false;
    const size_t point = last.find('.');
    return point == std::string_view::npos || last.size() - point - 1 < 2;
}

} // namespace

Margins margins(const MarkScores& scores, const MarkScores& edgeScores, double stepsPerDit, double jitter,
                const Reading& reading, std::string_view following)
{
    const Timing timing(stepsPerDit, jitter);
    const int chars = static_cast<int>(reading.text.size());
    Margins out;
    out.characters.assign(static_cast<size_t>(chars), 0.0);
    out.chosen = reading.text;
    if (reading.marks.empty())
        return out;
    for (int c = 0; c < chars; ++c) {
        const Place p = placeOf(scores, timing, reading, c);
        const Company company = companyIn(reading, c);
        double best = -1e300, second = silence(p, company);
        for (const char k : characters) {
            const double s =
                spelt(codeOf(k), scores, timing, p.lo, p.hi, p.before, p.after) + logPrior(k, company);
            if (s > best) {
                second = std::max(second, best);
                best = s;
                out.chosen[static_cast<size_t>(c)] = k;
            } else {
                second = std::max(second, s);
            }
        }
        out.characters[static_cast<size_t>(c)] = best - second;
    }
    // A gap read as one between characters reads the same with a word gap,
    // and the other way round: only the timing tells them apart.
    out.gaps.assign(static_cast<size_t>(chars), std::numeric_limits<double>::infinity());
    for (size_t i = 1; i < reading.marks.size(); ++i) {
        const ReadMark &before = reading.marks[i - 1], &after = reading.marks[i];
        if (before.character == after.character)
            continue;
        const auto at = static_cast<size_t>(after.start - before.end - timing.between.lo);
        if (at < timing.between.weight.size())
            out.gaps[static_cast<size_t>(after.character)] =
                timing.between.weight[at] - timing.between.rival[at];
    }
    // A character lost at either end, in a fade or under the noise, leaves a
    // shorter message that reads just as well.
    // Which is rarer than noise looking like one somewhere out there, except
    // after figures that may go on.
    out.before = edgeMargin(edgeScores, timing, stepsPerDit, reading, true, characters, lostOdds);
    out.after = edgeMargin(edgeScores, timing, stepsPerDit, reading, false, following,
                           figuresMayGoOn(reading) ? 0.0 : lostOdds);
    return out;
}

Choice bestOf(const MarkScores& scores, int stepsPerDit, const Reading& reading, int character,
              std::string_view choices)
{
    const Timing timing(stepsPerDit, steadyHand);
    const Place p = placeOf(scores, timing, reading, character);
    Choice out;
    double best = -1e300, second = silence(p, companyIn(reading, character));
    for (const char c : choices) {
        const double s = spelt(codeOf(c), scores, timing, p.lo, p.hi, p.before, p.after);
        if (s > best) {
            second = std::max(second, best);
            best = s;
            out.character = c;
        } else {
            second = std::max(second, s);
        }
    }
    out.margin = best - second;
    return out;
}

double roughScore(std::span<const float> evidence, double stepsPerDit)
{
    // Characters of one to six marks, as in the alphabet, any marks.
    constexpr int most = 6;
    using Counts = std::array<float, most + 1>; // by the marks of the character sent so far
    const Timing timing(stepsPerDit, steadyHand);
    const int steps = static_cast<int>(evidence.size());
    std::vector<double> sum(steps + 1, 0.0);
    for (int k = 0; k < steps; ++k)
        sum[k + 1] = sum[k] + evidence[k];
    // [t]: a mark / a gap / a whole character ends at t.
    std::vector<Counts> afterMark(steps + 1), afterGap(steps + 1);
    std::vector<float> whole(steps + 1, never);
    double best = 0;
    // The counts run innermost: this is the decoder's costliest loop at slow speeds.
    for (int t = 0; t <= steps; ++t) {
        Counts& mark = afterMark[t];
        mark.fill(never);
        for (const Lengths* len : {&timing.dit, &timing.dah})
            for (int d = len->lo; d <= std::min(len->hi, t); ++d) {
                const float add = static_cast<float>(sum[t] - sum[t - d]) + len->weight[d - len->lo];
                const Counts& from = afterGap[t - d];
                for (int n = 1; n <= most; ++n)
                    mark[n] = std::max(mark[n], from[n - 1] + add);
            }
        whole[t] = *std::max_element(mark.begin() + 1, mark.end());
        best = std::max(best, static_cast<double>(whole[t]));
        Counts& gap = afterGap[t];
        gap.fill(never);
        float root = 0;
        for (int d = timing.between.lo; d <= std::min(timing.between.hi, t); ++d)
            root = std::max(root, whole[t - d] + timing.between.weight[d - timing.between.lo]);
        gap[0] = root;
        for (int d = timing.inner.lo; d <= std::min(timing.inner.hi, t); ++d) {
            const float w = timing.inner.weight[d - timing.inner.lo];
            const Counts& from = afterMark[t - d];
            for (int n = 1; n < most; ++n)
                gap[n] = std::max(gap[n], from[n] + w);
        }
    }
    return best;
}

namespace
{

// The best score of every way into each node of the code tree at each step:
// a mark or a gap ending there. Only the scores are kept; the lengths that
// gave them are found again for the one path taken back, which keeps the
// inner loops free of bookkeeping.
class Trellis
{
public:
    Trellis(const MarkScores& scores, const Timing& timing, const std::vector<Node>& tree)
        : scores_(scores), timing_(timing), tree_(tree), nodes_(static_cast<int>(tree.size()))
    {
        // Kept from call to call: a decode makes some thirty of these, and
        // fresh pages for each would cost more than the search.
        thread_local std::vector<float> afterMark, afterGap, charEnd;
        thread_local std::vector<int16_t> charEndNode;
        const size_t cells = static_cast<size_t>(scores.steps() + 1) * nodes_;
        afterMark.assign(cells, never);
        afterGap.assign(cells, never);
        charEnd.assign(static_cast<size_t>(scores.steps() + 1), never);
        charEndNode.assign(static_cast<size_t>(scores.steps() + 1), -1);
        afterMark_ = afterMark.data();
        afterGap_ = afterGap.data();
        charEnd_ = charEnd.data();
        charEndNode_ = charEndNode.data();
        for (int t = 0; t <= scores.steps(); ++t) {
            marksEndingAt(t);
            gapsEndingAt(t);
        }
    }

    float charEnd(int t) const { return charEnd_[t]; }
    int charEndNode(int t) const { return charEndNode_[t]; }
    bool wordGap(int length) const
    {
        return timing_.between.word[static_cast<size_t>(length - timing_.between.lo)];
    }
    const Lengths& lengths(int node) const { return tree_[node].kind ? timing_.dah : timing_.dit; }

    // What a mark of `length` steps into `node`, ending at t, scores on the
    // best way to where it starts.
    float markScore(int t, int node, int length) const
    {
        const Lengths& len = lengths(node);
        return gap(t - length, tree_[node].parent) + scores_(t, length) + len.weight[length - len.lo];
    }

    // The length of the mark into `node` that ends at t on the best way there.
    int markLength(int t, int node) const
    {
        const Lengths& len = lengths(node);
        for (int d = len.lo; d <= std::min(len.hi, t); ++d)
            if (markScore(t, node, d) == mark(t, node))
                return d;
        return 0;
    }

    // The length of the gap ending at t on the best way to `node`; for the
    // root, -1 where the message starts there.
    int gapLength(int t, int node) const
    {
        if (node == 0) {
            if (gap(t, 0) == 0)
                return -1;
            const Lengths& b = timing_.between;
            for (int d = b.lo; d <= std::min(b.hi, t); ++d)
                if (charEnd_[t - d] > never && charEnd_[t - d] + b.weight[d - b.lo] == gap(t, 0))
                    return d;
            return -1;
        }
        const Lengths& in = timing_.inner;
        for (int d = in.lo; d <= std::min(in.hi, t); ++d)
            if (mark(t - d, node) > never && mark(t - d, node) + in.weight[d - in.lo] == gap(t, node))
                return d;
        return 0;
    }

private:
    float mark(int t, int node) const { return afterMark_[static_cast<size_t>(t) * nodes_ + node]; }
    float gap(int t, int node) const { return afterGap_[static_cast<size_t>(t) * nodes_ + node]; }

    void marksEndingAt(int t)
    {
        float* a = &afterMark_[static_cast<size_t>(t) * nodes_];
        for (int c = 1; c < nodes_; ++c) {
            // A way in from no way at all stays at `never`: it is far below
            // anything a score can add to or take from it.
            const Lengths& len = lengths(c);
            float best = never;
            for (int d = len.lo; d <= std::min(len.hi, t); ++d)
                best = std::max(best, markScore(t, c, d));
            a[c] = best;
            if (tree_[c].symbol >= 0 && best - characterCost > charEnd_[t]) {
                charEnd_[t] = best - characterCost;
                charEndNode_[t] = static_cast<int16_t>(c);
            }
        }
    }

    void gapsEndingAt(int t)
    {
        float* g = &afterGap_[static_cast<size_t>(t) * nodes_];
        // The root: silence before the message, or the gap after a character.
        const Lengths& b = timing_.between;
        g[0] = 0;
        for (int d = b.lo; d <= std::min(b.hi, t); ++d)
            if (charEnd_[t - d] > never)
                g[0] = std::max(g[0], charEnd_[t - d] + b.weight[d - b.lo]);
        const Lengths& in = timing_.inner;
        for (int n = 1; n < nodes_; ++n) {
            if (tree_[n].child[0] < 0 && tree_[n].child[1] < 0)
                continue;
            for (int d = in.lo; d <= std::min(in.hi, t); ++d)
                if (mark(t - d, n) > never)
                    g[n] = std::max(g[n], mark(t - d, n) + in.weight[d - in.lo]);
        }
    }

    const MarkScores& scores_;
    const Timing& timing_;
    const std::vector<Node>& tree_;
    int nodes_;
    float *afterMark_, *afterGap_, *charEnd_;
    int16_t* charEndNode_;
};

} // namespace

Reading bestReading(const MarkScores& scores, double stepsPerDit, double jitter)
{
    static const std::vector<Node> tree = codeTree();
    const Timing timing(stepsPerDit, jitter);
    const Trellis trellis(scores, timing, tree);

    // Silence after the message costs nothing: take the best last character anywhere.
    Reading reading;
    int t = -1;
    float best = 0;
    for (int k = 0; k <= scores.steps(); ++k)
        if (trellis.charEnd(k) > best) {
            best = trellis.charEnd(k);
            t = k;
        }
    if (t < 0)
        return reading;
    reading.score = best;

    std::string reversed;
    std::vector<bool> wordAfter{false};
    std::vector<ReadMark> marks;
    int node = trellis.charEndNode(t);
    reversed += alphabet[tree[node].symbol].id;
    for (;;) {
        const int d = trellis.markLength(t, node);
        marks.push_back({t - d, t, static_cast<int>(reversed.size()) - 1});
        t -= d;
        node = tree[node].parent;
        const int gap = trellis.gapLength(t, node);
        if (node != 0) {
            t -= gap;
            continue;
        }
        if (gap < 0)
            break;
        wordAfter.push_back(trellis.wordGap(gap));
        t -= gap;
        node = trellis.charEndNode(t);
        reversed += alphabet[tree[node].symbol].id;
    }
    reading.text.assign(reversed.rbegin(), reversed.rend());
    // wordAfter[i]: a word gap after the i-th character from the end, which
    // is one before the character after it.
    reading.wordBefore.assign(wordAfter.size(), false);
    for (size_t i = 1; i < wordAfter.size(); ++i)
        reading.wordBefore[wordAfter.size() - i] = wordAfter[i];
    const int last = static_cast<int>(reading.text.size()) - 1;
    for (auto m = marks.rbegin(); m != marks.rend(); ++m)
        reading.marks.push_back({m->start, m->end, last - m->character});
    return reading;
}

} // namespace morse
