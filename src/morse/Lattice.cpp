#include "morse/Lattice.h"

#include "morse/Code.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

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

struct Timing {
    Lengths dit, dah, inner, between;
    explicit Timing(double stepsPerDit)
        : dit(stepsPerDit, 0.5, 1.6, 1, 0.2, 0.2), dah(stepsPerDit, 2.0, 4.3, 3, 0.45, 0.45),
          inner(stepsPerDit, 0.5, 1.7, 1, 0.2, 0.2), between(stepsPerDit, 2.0, 10, 3, 0.45, 2.5)
    {
    }
};

} // namespace

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

Reading bestReading(std::span<const float> evidence, int stepsPerDit)
{
    static const std::vector<Node> tree = codeTree();
    const int nodes = static_cast<int>(tree.size());
    const int steps = static_cast<int>(evidence.size());
    const Timing timing(stepsPerDit);
    const Lengths &dit = timing.dit, &dah = timing.dah, &inner = timing.inner, &between = timing.between;

    std::vector<double> sum(steps + 1, 0.0);
    for (int k = 0; k < steps; ++k)
        sum[k + 1] = sum[k] + evidence[k];

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
                const float s = from + static_cast<float>(sum[t] - sum[t - d]) + len.weight[d - len.lo];
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
