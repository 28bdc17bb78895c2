#include "morse/Decoder.h"

#include "morse/Code.h"
#include "morse/Lattice.h"
#include "morse/PhaseTrack.h"
#include "morse/Prior.h"
#include "morse/Tone.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <optional>
#include <string_view>
#include <vector>

namespace morse
{

namespace
{

constexpr double slowest = 9, fastest = 44; // a margin around 10..40 WPM
constexpr int stepsPerDit = 6;              // the time resolution of the whole reading
// The fewest characters of a message that is not a fragment.
constexpr size_t shortest = 3;
// ... unless it has at least this many marks.
constexpr size_t fewestMarks = 8;
// The rough look's steps from speed to speed.
constexpr double roughGrid = 1.1;
// Log-likelihood a character must win by over any other to be trusted.
constexpr double doubtMargin = 6.0;
// ... and, between two figures of a word without a point, a gap between
// characters over one between words: the lengths alone tell them apart, and
// two such words read as one make a frequency of what was none ("73 73").
constexpr double joinedMargin = 4.0;
// What a character of a word without figures must win by instead: such a
// word never makes a frequency, nor changes one.
constexpr double wordMargin = 3.5;
// What the timing of a keyed tone read well strays by without any jitter:
// the steps' length and the edges' blur under noise.
constexpr double measuringSpread = 0.07;

// ln I0(x), from the polynomial fits of Abramowitz and Stegun 9.8.1 and 9.8.2.
double logBesselI0(double x)
{
    const double t = x / 3.75;
    if (t <= 1) {
        const double u = t * t;
        return std::log(
            1 + u * (3.5156229 +
                     u * (3.0899424 + u * (1.2067492 + u * (0.2659732 + u * (0.0360768 + u * 0.0045813))))));
    }
    const double r = 1 / t;
    const double poly =
        0.39894228 +
        r * (0.01328592 +
             r * (0.00225319 +
                  r * (-0.00157565 +
                       r * (0.00916281 +
                            r * (-0.02057706 + r * (0.02635537 + r * (-0.01647633 + r * 0.00392377)))))));
    return x - 0.5 * std::log(x) + std::log(poly);
}

// How far to trust a level: not at all where it is a first guess, or where
// the marks that told it are out of reach (fading moves it, and one level too
// high would make a weak mark look like a gap); fully where the marks around
// have just been measured. Just beyond the marks, fading has had no time to
// move it far; farther out it may have taken it down to a trough, which slow
// fading puts some nine times below its crest.
constexpr double guessedLevel[] = {0.25, 0.5, 1.0, 2.0};
constexpr double nearLevel[] = {0.5, 1.0, 2.0};
constexpr double farLevel[] = {0.125, 0.25, 0.5, 1.0, 2.0};
constexpr double measuredLevel[] = {1.0};
// How long fading takes to move the level beyond nearLevel's range, seconds.
constexpr double fadeSeconds = 0.4;

// Log-likelihood ratio of a mark against a gap, for a tone in Gaussian noise
// whose phase is known to within a von Mises spread of concentration `kappa`
// about 0 (0: not known at all): `z` the span's phasors added up, over the
// root of their count; `snr` the expected excess under a mark, averaged over
// the levels given as its multiples.
double markLikelihood(std::complex<double> z, double snr, std::span<const double> levels, double kappa)
{
    double terms[std::max(std::size(guessedLevel), std::size(farLevel))];
    double top = -1e300;
    const double phaseKnown = kappa > 0 ? logBesselI0(kappa) : 0.0;
    for (size_t j = 0; j < levels.size(); ++j) {
        const double rho = snr * levels[j];
        terms[j] = -rho + logBesselI0(std::sqrt(std::norm(2 * std::sqrt(rho) * z + kappa))) - phaseKnown;
        top = std::max(top, terms[j]);
    }
    if (levels.size() == 1)
        return top;
    double sum = 0;
    for (size_t j = 0; j < levels.size(); ++j)
        sum += std::exp(terms[j] - top);
    return top + std::log(sum / static_cast<double>(levels.size()));
}

// Evidence of a mark in each step.
std::vector<float> evidence(const std::vector<float>& energy, const std::vector<float>& snr)
{
    std::vector<float> out(energy.size());
    for (size_t k = 0; k < energy.size(); ++k)
        out[k] = static_cast<float>(markLikelihood(std::sqrt(energy[k]), snr[k], guessedLevel, 0));
    return out;
}

// Evidence of a mark over each span of steps, its steps' evidence added up:
// cheap, for the first readings, which only have to find the speed and the
// marks' level.
MarkScores summedScores(const std::vector<float>& evidence, int longest)
{
    const int n = static_cast<int>(evidence.size());
    std::vector<double> sum(n + 1, 0.0);
    for (int k = 0; k < n; ++k)
        sum[k + 1] = sum[k] + evidence[k];
    MarkScores scores(n, longest);
    for (int t = 1; t <= n; ++t)
        for (int d = 1; d <= std::min(longest, t); ++d)
            scores.at(t, d) = static_cast<float>(sum[t] - sum[t - d]);
    return scores;
}

// Evidence of a mark over each span of steps a mark may take: the tone keeps
// its phase through a mark, so the span's steps are added up coherently,
// which gains on weak marks what adding up their energies would lose.
// levelsFor(end, length): the levels to weigh that span at; spans given none
// are left unscored. kappa: how well the tone's phase is known (markLikelihood).
template <class LevelsFor>
MarkScores coherentScores(const std::vector<std::complex<float>>& phasors, const std::vector<float>& snr,
                          int longest, LevelsFor levelsFor, double kappa)
{
    const int n = static_cast<int>(phasors.size());
    std::vector<std::complex<double>> sum(n + 1);
    std::vector<double> level(n + 1, 0.0);
    for (int k = 0; k < n; ++k) {
        sum[k + 1] = sum[k] + std::complex<double>(phasors[k]);
        level[k + 1] = level[k] + snr[k];
    }
    MarkScores scores(n, longest);
    for (int t = 1; t <= n; ++t)
        for (int d = 1; d <= std::min(longest, t); ++d) {
            const std::span<const double> levels = levelsFor(t, d);
            if (!levels.empty())
                scores.at(t, d) = static_cast<float>(
                    markLikelihood((sum[t] - sum[t - d]) / std::sqrt(static_cast<double>(d)),
                                   level[t] - level[t - d], levels, kappa));
        }
    return scores;
}

// A first guess of the signal-to-noise ratio under a mark: the excess energy
// around each step, over the share of time a digit's marks take.
std::vector<float> localSnr(const std::vector<float>& energy, double stepsPerDit)
{
    const int half = static_cast<int>(12 * stepsPerDit);
    const int n = static_cast<int>(energy.size());
    std::vector<double> sum(n + 1, 0.0);
    for (int k = 0; k < n; ++k)
        sum[k + 1] = sum[k] + energy[k] - 1.0;
    std::vector<float> snr(n);
    for (int k = 0; k < n; ++k) {
        const int a = std::max(0, k - half), b = std::min(n, k + half + 1);
        snr[k] = static_cast<float>(std::max(0.5, (sum[b] - sum[a]) / (b - a) / 0.6));
    }
    return snr;
}

// The signal-to-noise ratio under a mark as the marks read so far show it,
// smoothed over a few tenths of a second: it follows fading down to its
// troughs, where a level held from the strong marks around would call the
// weak marks gaps. Each mark's level is taken from its steps added up
// coherently, which lets through less of the noise than adding their
// energies would.
std::vector<float> readSnr(const std::vector<std::complex<float>>& phasors, const Reading& reading,
                           double stepsPerSecond)
{
    std::vector<std::pair<double, double>> level; // centre step, snr
    for (const ReadMark& m : reading.marks) {
        const int a = m.end - m.start >= 3 ? m.start + 1 : m.start,
                  b = m.end - m.start >= 3 ? m.end - 1 : m.end;
        std::complex<double> together = 0;
        for (int k = a; k < b; ++k)
            together += std::complex<double>(phasors[k]);
        const double steps = b - a;
        level.emplace_back(0.5 * (m.start + m.end),
                           std::max(0.0, std::norm(together) / (steps * steps) - 1.0 / steps));
    }
    const double width = 0.2 * stepsPerSecond;
    std::vector<float> snr(phasors.size());
    for (size_t k = 0; k < phasors.size(); ++k) {
        double w = 0, s = 0;
        for (const auto& [centre, value] : level) {
            const double z = (static_cast<double>(k) - centre) / width;
            const double weight = std::exp(-0.5 * z * z) + 1e-9;
            w += weight;
            s += weight * value;
        }
        snr[k] = static_cast<float>(std::max(0.3, s / w));
    }
    return snr;
}

// Marks beyond the reading's ends, at the level its nearest marks showed:
// within fadeSeconds of them at nearLevel, farther at farLevel. Spans
// that reach into the reading are left unscored.
MarkScores edgeScores(const std::vector<std::complex<float>>& phasors, const Reading& reading,
                      double stepsPerSecond, int longest, double kappa)
{
    const int first = reading.marks.front().start, last = reading.marks.back().end;
    const double reach = fadeSeconds * stepsPerSecond;
    return coherentScores(
        phasors, readSnr(phasors, reading, stepsPerSecond), longest,
        [&](int end, int length) -> std::span<const double> {
            const int start = end - length;
            if (end > first && start < last)
                return {};
            if (first - end <= reach && start - last <= reach)
                return nearLevel;
            return farLevel;
        },
        kappa);
}

struct Attempt {
    double wpm = 0;
    int stepsPerDit = 0;
    double jitter = steadyHand; // what the reading was made for
    double ditSteps = 0;        // and the dit's length it was made for, in steps
    std::vector<std::complex<float>> phasors;
    std::vector<float> energy;
    MarkScores scores{0, 0}; // what the reading was made from
    Reading reading;
    MarkScores edgeScores{0, 0}; // beyond the reading's ends, where the level is a guess
};

Attempt attempt(const ToneEnergy& tone, double wpm, int stepsPerDit)
{
    Attempt a{wpm,
              stepsPerDit,
              steadyHand,
              static_cast<double>(stepsPerDit),
              tone.phasors(tone.stepLength(wpm, stepsPerDit)),
              {},
              {0, 0},
              {},
              {0, 0}};
    for (const std::complex<float> c : a.phasors)
        a.energy.push_back(std::norm(c));
    a.scores = summedScores(evidence(a.energy, localSnr(a.energy, stepsPerDit)), longestMark(stepsPerDit));
    a.reading = bestReading(a.scores, stepsPerDit);
    return a;
}

double measuredWpm(const Attempt& a)
{
    double steps = 0, dits = 0;
    const auto add = [&](int length, bool mark) {
        const double d = length / static_cast<double>(a.stepsPerDit);
        const double nominal = d < 2 ? 1.0 : 3.0;
        if (!mark && nominal > 1)
            return; // between characters: their gap is the least regular
        steps += length;
        dits += nominal;
    };
    const std::vector<ReadMark>& marks = a.reading.marks;
    for (size_t i = 0; i < marks.size(); ++i) {
        add(marks[i].end - marks[i].start, true);
        if (i > 0 && marks[i].character == marks[i - 1].character)
            add(marks[i].start - marks[i - 1].end, false);
    }
    if (dits < 1)
        return a.wpm;
    return std::clamp(a.wpm * (dits * a.stepsPerDit) / steps, slowest, fastest);
}

// The dit's length in steps as the reading tells it: its marks and the gaps
// inside its characters, each against its length in dits as the symbol read
// spells it (a dah cut short is still a dah).
double measuredDit(const Attempt& a)
{
    double steps = 0, dits = 0;
    const std::vector<ReadMark>& marks = a.reading.marks;
    for (size_t i = 0, element = 0; i < marks.size(); ++i) {
        element = i > 0 && marks[i].character == marks[i - 1].character ? element + 1 : 0;
        const std::string_view code = codeOf(a.reading.text[static_cast<size_t>(marks[i].character)]);
        steps += marks[i].end - marks[i].start;
        dits += element < code.size() && code[element] == '-' ? 3 : 1;
        if (element > 0) {
            steps += marks[i].start - marks[i - 1].end;
            dits += 1;
        }
    }
    return dits > 0 ? steps / dits : a.ditSteps;
}

// The tone in the gaps inside the message, away from the marks' edges, for
// the tone under the marks: about 0 for a keyer, more for music or speech
// between the marks.
double gapTone(const Attempt& a)
{
    std::vector<bool> marked(a.energy.size(), false);
    double markExcess = 0, marks = 0;
    for (const ReadMark& m : a.reading.marks)
        for (int k = m.start; k < m.end; ++k) {
            markExcess += a.energy[k] - 1.0;
            marks += 1;
            marked[k] = true;
        }
    double gapExcess = 0, gaps = 0;
    const int first = a.reading.marks.front().start, last = a.reading.marks.back().end;
    for (int k = first + 1; k < last - 1; ++k)
        if (!marked[k - 1] && !marked[k] && !marked[k + 1]) {
            gapExcess += a.energy[k] - 1.0;
            gaps += 1;
        }
    const double markLevel = markExcess / std::max(marks, 1.0);
    const double gapLevel = gaps > 0 ? gapExcess / gaps : 0.0;
    return markLevel > 0 ? gapLevel / markLevel : 1.0;
}

// How much of the marks' excess energy adds up coherently through each mark:
// about 1 for a keyed tone, which holds its pitch and phase; less for a sung
// or gliding note.
double steadiness(const Attempt& a)
{
    double together = 0, apart = 0;
    for (const ReadMark& m : a.reading.marks) {
        std::complex<double> sum = 0;
        double energy = 0;
        for (int k = m.start; k < m.end; ++k) {
            sum += std::complex<double>(a.phasors[k]);
            energy += a.energy[k];
        }
        const int steps = m.end - m.start;
        together += std::norm(sum) / steps - 1;
        apart += energy - steps;
    }
    return apart > 0 ? together / apart : 0.0;
}

// The marks' and gaps' relative deviation from one or three dits: a keyer's
// jitter; notes and syllables last what they like.
double timingSpread(const Reading& reading, double ditSteps)
{
    double spread = 0;
    int lengths = 0;
    const auto deviation = [&](int steps) {
        const double dits = steps / ditSteps;
        if (dits > 4.5)
            return;
        const double nominal = dits < 2 ? 1.0 : 3.0;
        spread += (dits - nominal) * (dits - nominal) / (nominal * nominal);
        ++lengths;
    };
    const std::vector<ReadMark>& marks = reading.marks;
    for (size_t i = 0; i < marks.size(); ++i) {
        deviation(marks[i].end - marks[i].start);
        if (i > 0)
            deviation(marks[i].start - marks[i - 1].end);
    }
    return std::sqrt(spread / std::max(lengths, 1));
}

// Where `text` (one id for each of the reading's characters) has a point:
// how many characters stand before it in its word, from `first` on, and
// whether that word is the first from `first` on. 0 and false without a point.
struct Lead {
    size_t figures = 0;
    bool firstWord = false;
};
Lead leadOf(const std::string& text, const Reading& r, size_t first)
{
    const size_t point = text.find('.', first);
    if (point == std::string::npos)
        return {};
    size_t word = point;
    while (word > first && !r.wordBefore[word])
        --word;
    return {point - word, word == first};
}

// Where the word that holds the reading's character c ends (exclusive).
size_t wordEnd(const Reading& r, size_t c)
{
    size_t end = c + 1;
    while (end < r.text.size() && !r.wordBefore[end])
        ++end;
    return end;
}

// Calls f(word, end) for each word [word, end) of the reading's characters.
template <class F> void forEachWord(const Reading& r, F f)
{
    for (size_t word = 0, end = 0; word < r.text.size(); word = end) {
        end = wordEnd(r, word);
        f(word, end);
    }
}

// A reading's gaps between a number with a point and a letter or a sign
// beside it, where the timing does not clearly make them gaps between
// characters, made word gaps: such a number stands apart from its label or
// closing sign, and a loose keyer's word gap may come out little longer than
// a gap between characters ("R 658.80" read as "R658.80"). Figures without a
// point keep their company ("5NN", "W1AW").
Reading parted(Reading r, const Margins& m)
{
    const auto figure = [&](size_t c) { return companyOf(m.chosen[c]) == Company::Figures; };
    const size_t n = r.text.size();
    for (size_t first = 0, end = 0; first < n; first = end) {
        // [first, end): the figures of one word side by side, or one other character.
        for (end = first + 1; figure(first) && end < n && figure(end) && !r.wordBefore[end];)
            ++end;
        if (!figure(first) ||
            std::string_view(m.chosen).substr(first, end - first).find('.') == std::string_view::npos)
            continue;
        for (const size_t c : {first, end})
            if (c > 0 && c < n && !r.wordBefore[c] && m.gaps[c] < joinedMargin)
                r.wordBefore[c] = true;
    }
    return r;
}

// What each of the reading's characters must win by to be written, or to be
// trusted: a word without figures (a label, a closing sign, other traffic)
// on lesser odds than a figure.
std::vector<double> neededMargins(const Reading& r, std::string_view chosen)
{
    std::vector<double> needed(chosen.size(), doubtMargin);
    forEachWord(r, [&](size_t word, size_t end) {
        const std::string_view w = chosen.substr(word, end - word);
        if (std::none_of(w.begin(), w.end(), [](char id) { return companyOf(id) == Company::Figures; }))
            std::fill(needed.begin() + static_cast<long>(word), needed.begin() + static_cast<long>(end),
                      wordMargin);
    });
    return needed;
}

// The written text, '*' for each character that does not stand out of its
// rivals, and the confidence of the whole.
Heard judged(const Attempt& a, double pitchHz)
{
    const Margins m = margins(a.scores, a.edgeScores, a.ditSteps, a.jitter, a.reading, characters);
    const Reading r = parted(a.reading, m);
    const size_t chars = r.text.size();
    const std::vector<double> needed = neededMargins(r, m.chosen);
    // A figure's leading digits matter least: the record supplies any the
    // message leaves out, and three before the point fix the frequency within
    // any band. So while three stay before the point, a doubtful first
    // character (or word) is left out as if it had never been sent (it may be
    // noise: its margin is over silence too), and where the point's word is
    // then the first, one lost before it is no doubt. One lost after the last
    // always is.
    size_t first = 0;
    for (Lead lead = leadOf(m.chosen, r, 0);
         lead.figures >= 3 && (!lead.firstWord || lead.figures > 3) && m.characters[first] < needed[first];
         lead = leadOf(m.chosen, r, first))
        ++first;
    // A word before the point's that lost its first character goes with it:
    // what was heard of a label is shown whole or not at all ("REQ" was
    // never sent).
    if (first > 0 && !r.wordBefore[first] && companyOf(m.chosen[first - 1]) != Company::Figures) {
        const size_t end = wordEnd(r, first);
        if (m.chosen.find('.', first) >= end)
            first = end;
    }
    const Lead lead = leadOf(m.chosen, r, first);
    const bool leadFixed = lead.firstWord && lead.figures >= 3;
    // Figures without a point are rarer from a rig than two words of
    // figures are in other traffic ("73 73").
    std::vector<bool> pointless(chars, false);
    forEachWord(r, [&](size_t word, size_t end) {
        const std::string_view w = std::string_view(m.chosen).substr(word, end - word);
        const bool figures = w.find_first_not_of("0123456789") == std::string_view::npos;
        std::fill(pointless.begin() + static_cast<long>(word), pointless.begin() + static_cast<long>(end),
                  figures);
    });
    Heard heard{{}, 0, pitchHz, a.wpm * a.stepsPerDit / a.ditSteps};
    double weakest = leadFixed ? m.after : std::min(m.before, m.after);
    for (size_t c = first; c < chars; ++c) {
        weakest = std::min(weakest, m.characters[c] - needed[c] + doubtMargin);
        if (c > first && !r.wordBefore[c] && pointless[c])
            weakest = std::min(weakest, m.gaps[c] - joinedMargin + doubtMargin);
        if (c > first && r.wordBefore[c])
            heard.text += ' ';
        if (m.characters[c] < needed[c])
            heard.text += doubtful;
        else
            heard.text += writtenOf(m.chosen[c]);
    }
    // And some length: a character or two of few marks is a fragment, or a
    // few notes of music; two figures are not.
    size_t marks = 0;
    for (const ReadMark& mark : r.marks)
        marks += static_cast<size_t>(mark.character) >= first;
    if (chars - first < shortest && marks < fewestMarks)
        weakest = std::min(weakest, 0.0);
    // Each is 0.5 at the edge of what a keyer's tone shows under noise, and
    // the reading is as sure as the least sure of them. (A keyer with 10 %
    // jitter keeps its timing spread under 0.16 down to -6 dB; a tune whose
    // notes happen to fall near one and three dits reaches 0.19.)
    heard.confidence =
        std::clamp(std::min({(weakest - doubtMargin) / 4.0 + 0.5, (0.14 - gapTone(a)) / 0.08,
                             (0.30 - timingSpread(r, a.ditSteps)) / 0.08, (steadiness(a) - 0.85) / 0.1}),
                   0.0, 1.0);
    // A character that may have been lost at an end is shown as doubtful.
    if (m.before < doubtMargin && !leadFixed)
        heard.text.insert(heard.text.begin(), doubtful);
    if (m.after < doubtMargin)
        heard.text.push_back(doubtful);
    return heard;
}

} // namespace

Heard decode(std::span<const float> samples, int rate, int channels)
{
    if (rate < 8000 || channels < 1)
        return {};
    double narrowRate = 0;
    const std::vector<float> signal = narrowed(samples, rate, channels, narrowRate);
    return decodeNarrowed(signal, narrowRate);
}

Heard decodeNarrowed(std::span<const float> signal, double narrowRate)
{
    if (static_cast<double>(signal.size()) < narrowRate / 2)
        return {};
    const std::optional<Tone> tone = findTone(signal, narrowRate);
    if (!tone || !tone->heard())
        return {};
    const ToneEnergy energy(signal, narrowRate, *tone);

    // Every speed roughly, in any spelling; then the best two whole, near their speed.
    // The rough look uses one step length for all speeds: a longer step adds
    // up the tone's energy more efficiently, and would favour slow speeds.
    std::vector<std::pair<double, double>> rough; // score, wpm
    const size_t roughStep = energy.stepLength(fastest, 3);
    const double roughSeconds = static_cast<double>(roughStep) / narrowRate;
    const std::vector<float> roughEnergy = energy.steps(roughStep);
    const std::vector<float> roughEvidence = evidence(roughEnergy, localSnr(roughEnergy, 3));
    for (double wpm = slowest; wpm <= fastest; wpm *= roughGrid)
        rough.emplace_back(roughScore(roughEvidence, ditSeconds(wpm) / roughSeconds), wpm);
    std::sort(rough.rbegin(), rough.rend());
    std::vector<double> tries{rough[0].second * 0.95, rough[0].second, rough[0].second * 1.05};
    for (const auto& [score, wpm] : rough)
        if (std::abs(std::log(wpm / rough[0].second)) > 0.15) {
            tries.push_back(wpm);
            break;
        }
    Attempt best;
    best.reading.score = -1e30;
    for (const double wpm : tries) {
        Attempt a = attempt(energy, wpm, stepsPerDit);
        if (!a.reading.text.empty() && a.reading.score > best.reading.score)
            best = std::move(a);
    }
    if (best.reading.text.empty())
        return {};
    // The reading tells the speed better than the look at every speed did:
    // its marks and the gaps inside characters, against their lengths in dits.
    const double measured = measuredWpm(best);
    if (std::abs(std::log(measured / best.wpm)) > 0.03) {
        Attempt a = attempt(energy, measured, stepsPerDit);
        if (!a.reading.text.empty())
            best = std::move(a);
    }
    // Read again with the mark's level as the reading before found it: twice,
    // as the first reading's level misses the marks it lost in a trough. The
    // second time with the tone's phase too, where the marks keep one.
    const double stepsPerSecond = best.stepsPerDit / ditSeconds(best.wpm);
    double kappa = 0;
    for (int pass = 0; pass < 2; ++pass) {
        // The dit's length, and how much the keyer strays, from the lengths
        // read so far (less what measuring them adds): a keyer straying by
        // 20 % is read with wider lengths than one straying by 10 %.
        const double ditSteps =
            std::clamp(measuredDit(best), 0.8 * best.stepsPerDit, 1.25 * best.stepsPerDit);
        const double spread = timingSpread(best.reading, ditSteps);
        const double jitter = std::sqrt(std::max(0.0, spread * spread - measuringSpread * measuringSpread));
        if (pass == 1) {
            const PhaseTrack track = phaseTrack(best.phasors, best.reading, 1 / stepsPerSecond);
            if (track.kappa > 0) {
                best.phasors = turnedBack(best.phasors, track);
                kappa = track.kappa;
            }
        }
        const std::vector<float> snr = readSnr(best.phasors, best.reading, stepsPerSecond);
        MarkScores scores = coherentScores(
            best.phasors, snr, longestMark(ditSteps),
            [](int, int) { return std::span<const double>(measuredLevel); }, kappa);
        Reading again = bestReading(scores, ditSteps, jitter);
        if (!again.text.empty()) {
            best.reading = std::move(again);
            best.scores = std::move(scores);
            best.ditSteps = ditSteps;
            best.jitter = jitter;
        }
    }
    best.edgeScores =
        edgeScores(best.phasors, best.reading, stepsPerSecond, longestMark(best.ditSteps), kappa);
    return judged(best, tone->hz);
}

} // namespace morse
