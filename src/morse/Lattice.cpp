#include "morse/Lattice.h"

#include "morse/Code.h"

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
    }
};

// A hand-built keyer's elements stray by some 10 % of their length, now and
// then by half: the weights are a little wider than the first, and the ranges
// reach the second, where a dit and a dah, or the gaps, may meet. An
// annunciation is sent in one go: a long gap between characters is more
// likely a fade that took marks with it than a pause. A dah falls off toward
// a dit's length no wider than its jitter: the last dit of a message, with
// nothing after it to bound it, would otherwise pass for a dah.
struct Timing {
    Lengths dit, dah, inner, between;
    explicit Timing(double stepsPerDit)
        : dit(stepsPerDit, 0.5, 1.7, 1, 0.13, 0.13), dah(stepsPerDit, 1.7, 4.5, 3, 0.30, 0.38),
          inner(stepsPerDit, 0.5, 1.7, 1, 0.13, 0.13), between(stepsPerDit, 1.7, 10, 3, 0.38, 0.6)
    {
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

int longestMark(int stepsPerDit)
{
    return Timing(stepsPerDit).dah.hi;
}

namespace
{

// The best score of any of `choices` but `except` spelt within [lo, hi), as
// spelt() weighs it.
double bestOther(const MarkScores& scores, const Timing& timing, int lo, int hi, bool before, bool after,
                 std::string_view choices, char except)
{
    double best = -1e300;
    for (const char c : choices)
        if (c != except)
            best = std::max(best, spelt(codeOf(c), scores, timing, lo, hi, before, after));
    return best;
}

// By how much the reading explains the samples better than with one more
// character, one of `choices`, just before its first mark (`before`) or after
// its last. Here a character is weighed at its odds among the choices, not at
// the reading's cost of a character, which is there to keep noise out. A
// message that runs up to either end of the samples may go on beyond them:
// nothing says it does not. Without choices nothing can have been lost.
double edgeMargin(const MarkScores& scores, const Timing& timing, double stepsPerDit, const Reading& reading,
                  bool before, std::string_view choices)
{
    if (choices.empty())
        return std::numeric_limits<double>::infinity();
    const double odds = std::log(static_cast<double>(choices.size()));
    const int longest = static_cast<int>(std::ceil(25 * stepsPerDit)) + timing.between.hi;
    const int room = static_cast<int>(std::ceil(1.5 * stepsPerDit));
    const int start = reading.marks.front().start, end = reading.marks.back().end;
    const int lo = before ? std::max(0, start - longest) : end;
    const int hi = before ? start : std::min(scores.steps(), end + longest);
    if (hi - lo < room)
        return 0.0;
    return std::min(odds - bestOther(scores, timing, lo, hi, !before, before, choices, 0), 1e3);
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
// nothing but noise, which the reading weighs at the cost of a character.
double silence(const Place& p)
{
    return p.before && p.after ? -1e300 : characterCost;
}

} // namespace

Margins margins(const MarkScores& scores, const MarkScores& edgeScores, int stepsPerDit,
                const Reading& reading, std::string_view following)
{
    const Timing timing(stepsPerDit);
    const int chars = static_cast<int>(reading.text.size());
    Margins out;
    out.characters.assign(static_cast<size_t>(chars), 0.0);
    if (reading.marks.empty())
        return out;
    for (int c = 0; c < chars; ++c) {
        const char read = reading.text[static_cast<size_t>(c)];
        const Place p = placeOf(scores, timing, reading, c);
        const double other =
            std::max(bestOther(scores, timing, p.lo, p.hi, p.before, p.after, characters, read), silence(p));
        out.characters[static_cast<size_t>(c)] =
            spelt(codeOf(read), scores, timing, p.lo, p.hi, p.before, p.after) - other;
    }
    // A character lost at either end, in a fade or under the noise, leaves a
    // shorter message that reads just as well.
    out.before = edgeMargin(edgeScores, timing, stepsPerDit, reading, true, characters);
    out.after = edgeMargin(edgeScores, timing, stepsPerDit, reading, false, following);
    return out;
}

Choice bestOf(const MarkScores& scores, int stepsPerDit, const Reading& reading, int character,
              std::string_view choices)
{
    const Timing timing(stepsPerDit);
    const Place p = placeOf(scores, timing, reading, character);
    Choice out;
    double best = -1e300, second = silence(p);
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
    // Characters of five or six marks, as in the alphabet, any marks.
    constexpr int most = 6;
    const Timing timing(stepsPerDit);
    const int steps = static_cast<int>(evidence.size());
    std::vector<double> sum(steps + 1, 0.0);
    for (int k = 0; k < steps; ++k)
        sum[k + 1] = sum[k] + evidence[k];
    // [t][n]: a mark / a gap ends at t, n marks of the character sent.
    std::vector<std::array<float, most + 1>> afterMark(steps + 1), afterGap(steps + 1);
    double best = 0;
    for (int t = 0; t <= steps; ++t) {
        afterMark[t].fill(never);
        afterGap[t].fill(never);
        for (int n = 1; n <= most; ++n) {
            float m = never;
            for (const Lengths* len : {&timing.dit, &timing.dah})
                for (int d = len->lo; d <= std::min(len->hi, t); ++d)
                    if (afterGap[t - d][n - 1] > never)
                        m = std::max(m, afterGap[t - d][n - 1] + static_cast<float>(sum[t] - sum[t - d]) +
                                            len->weight[d - len->lo]);
            afterMark[t][n] = m;
        }
        best = std::max({best, static_cast<double>(afterMark[t][5]), static_cast<double>(afterMark[t][6])});
        float root = 0;
        for (int d = timing.between.lo; d <= std::min(timing.between.hi, t); ++d)
            root = std::max({root, afterMark[t - d][5] + timing.between.weight[d - timing.between.lo],
                             afterMark[t - d][6] + timing.between.weight[d - timing.between.lo]});
        afterGap[t][0] = root;
        for (int n = 1; n < most; ++n)
            for (int d = timing.inner.lo; d <= std::min(timing.inner.hi, t); ++d)
                if (afterMark[t - d][n] > never)
                    afterGap[t][n] = std::max(afterGap[t][n],
                                              afterMark[t - d][n] + timing.inner.weight[d - timing.inner.lo]);
    }
    return best;
}

Reading bestReading(const MarkScores& scores, int stepsPerDit)
{
    static const std::vector<Node> tree = codeTree();
    const int nodes = static_cast<int>(tree.size());
    const int steps = scores.steps();
    const Timing timing(stepsPerDit);
    const Lengths &dit = timing.dit, &dah = timing.dah, &inner = timing.inner, &between = timing.between;

    // Kept from call to call: a decode makes some thirty of these, and fresh
    // pages for each would cost more than the search.
    thread_local std::vector<float> afterMark, afterGap, charEnd; // a mark / a gap / a character ends at t
    thread_local std::vector<int16_t> markBack, gapBack, charEndNode;
    const size_t cells = static_cast<size_t>(steps + 1) * nodes;
    afterMark.assign(cells, never);
    afterGap.assign(cells, never);
    markBack.assign(cells, 0);
    gapBack.assign(cells, 0);
    charEnd.assign(steps + 1, never);
    charEndNode.assign(steps + 1, -1);

    for (int t = 0; t <= steps; ++t) {
        float* a = &afterMark[static_cast<size_t>(t) * nodes];
        for (int c = 1; c < nodes; ++c) {
            const Lengths& len = tree[c].kind ? dah : dit;
            const int p = tree[c].parent;
            float best = never;
            int16_t arg = 0;
            for (int d = len.lo; d <= std::min(len.hi, t); ++d) {
                const float from = afterGap[static_cast<size_t>(t - d) * nodes + p];
                if (from <= never)
                    continue;
                const float s = from + scores(t, d) + len.weight[d - len.lo];
                if (s > best) {
                    best = s;
                    arg = static_cast<int16_t>(d);
                }
            }
            a[c] = best;
            markBack[static_cast<size_t>(t) * nodes + c] = arg;
            if (tree[c].symbol >= 0 && best - characterCost > charEnd[t]) {
                charEnd[t] = best - characterCost;
                charEndNode[t] = static_cast<int16_t>(c);
            }
        }
        float* g = &afterGap[static_cast<size_t>(t) * nodes];
        int16_t* gb = &gapBack[static_cast<size_t>(t) * nodes];
        // The root: silence before the message, or the gap after a character.
        g[0] = 0;
        gb[0] = -1;
        for (int d = between.lo; d <= std::min(between.hi, t); ++d) {
            const float s = charEnd[t - d] + between.weight[d - between.lo];
            if (charEnd[t - d] > never && s > g[0]) {
                g[0] = s;
                gb[0] = static_cast<int16_t>(d);
            }
        }
        for (int n = 1; n < nodes; ++n) {
            if (tree[n].child[0] < 0 && tree[n].child[1] < 0)
                continue;
            for (int d = inner.lo; d <= std::min(inner.hi, t); ++d) {
                const float from = afterMark[static_cast<size_t>(t - d) * nodes + n];
                const float s = from + inner.weight[d - inner.lo];
                if (from > never && s > g[n]) {
                    g[n] = s;
                    gb[n] = static_cast<int16_t>(d);
                }
            }
        }
    }

    // Silence after the message costs nothing: take the best last character anywhere.
    Reading reading;
    int t = -1;
    float best = 0;
    for (int k = 0; k <= steps; ++k)
        if (charEnd[k] > best) {
            best = charEnd[k];
            t = k;
        }
    if (t < 0)
        return reading;
    reading.score = best;

    std::string reversed;
    std::vector<ReadMark> marks;
    int node = charEndNode[t];
    reversed += alphabet[tree[node].symbol].character;
    for (;;) {
        const int d = markBack[static_cast<size_t>(t) * nodes + node];
        marks.push_back({t - d, t, static_cast<int>(reversed.size()) - 1});
        t -= d;
        node = tree[node].parent;
        const int gap = gapBack[static_cast<size_t>(t) * nodes + node];
        if (node != 0) {
            t -= gap;
            continue;
        }
        if (gap < 0)
            break;
        t -= gap;
        node = charEndNode[t];
        reversed += alphabet[tree[node].symbol].character;
    }
    reading.text.assign(reversed.rbegin(), reversed.rend());
    const int last = static_cast<int>(reading.text.size()) - 1;
    for (auto m = marks.rbegin(); m != marks.rend(); ++m)
        reading.marks.push_back({m->start, m->end, last - m->character});
    return reading;
}

} // namespace morse
