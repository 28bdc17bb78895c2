#include "morse/Decoder.h"

#include "morse/Code.h"
#include "morse/Lattice.h"
#include "morse/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <optional>
#include <vector>

namespace morse
{

namespace
{

constexpr double lowestPitch = 300, highestPitch = 1200;
constexpr double slowest = 9, fastest = 44; // a margin around 10..40 WPM
constexpr double workingRate = 4000;        // enough for the highest pitch
constexpr int stepsPerDit = 6;              // the time resolution of the whole reading
// Evidence (z-scores of a span's excess tone energy) that casts doubt on a character.
constexpr double markDoubt = 2.0, gapDoubt = 4.0;
// Log-likelihood a mark's length, dit or dah, must win by.
constexpr double lengthMargin = 2.0;

// Mixed to one channel and brought down to about workingRate by three
// cascaded moving sums, whose nulls fall on what would fold onto the band.
std::vector<float> narrowed(std::span<const float> samples, int rate, int channels, double& outRate)
{
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    const auto mixed = [&](size_t i) {
        double v = 0;
        for (int c = 0; c < channels; ++c)
            v += samples[i * channels + c];
        return v / channels;
    };
    double mean = 0;
    for (size_t i = 0; i < frames; ++i)
        mean += mixed(i);
    mean /= static_cast<double>(std::max<size_t>(frames, 1));
    const int m = std::max(1, static_cast<int>(rate / workingRate));
    outRate = static_cast<double>(rate) / m;

    struct MovingSum {
        std::vector<double> ring;
        double sum = 0;
        size_t at = 0;
        double operator()(double v)
        {
            sum += v - ring[at];
            ring[at] = v;
            at = (at + 1) % ring.size();
            return sum / static_cast<double>(ring.size());
        }
    };
    MovingSum stages[3];
    for (MovingSum& s : stages)
        s.ring.assign(static_cast<size_t>(m), 0.0);
    std::vector<float> out;
    out.reserve(frames / m + 1);
    for (size_t i = 0; i < frames; ++i) {
        const double v = stages[2](stages[1](stages[0](mixed(i) - mean)));
        if (i % m == 0)
            out.push_back(static_cast<float>(v));
    }
    return out;
}

struct Tone {
    double hz = 0;
    double noise = 0;      // noise power per sample around the tone (the spectrum's floor)
    double prominence = 0; // the tone's bin over that floor
};

std::optional<Tone> findTone(std::span<const float> signal, double rate)
{
    size_t size = 256;
    while (static_cast<double>(size) < rate / 4)
        size *= 2;
    const Spectrum s = averageSpectrum(signal, rate, size);
    if (s.power.empty())
        return std::nullopt;
    const auto lo = static_cast<size_t>(lowestPitch / s.binHz),
               hi = static_cast<size_t>(highestPitch / s.binHz);
    size_t peak = lo;
    for (size_t k = lo; k <= hi && k + 1 < s.power.size(); ++k)
        if (s.power[k] > s.power[peak])
            peak = k;
    std::vector<double> around;
    for (size_t k = 1; k + 1 < s.power.size(); ++k) {
        const double off = std::abs(static_cast<double>(k) - static_cast<double>(peak)) * s.binHz;
        const double f = static_cast<double>(k) * s.binHz;
        if (off > 40 && off < 400 && f > 100 && f < rate / 2 - 100)
            around.push_back(s.power[k]);
    }
    if (around.empty())
        return std::nullopt;
    std::nth_element(around.begin(), around.begin() + around.size() / 2, around.end());
    Tone tone;
    tone.noise = std::max(around[around.size() / 2], 1e-20);
    tone.prominence = s.power[peak] / tone.noise;
    // Between bins: the vertex of a parabola through the peak's log powers.
    const double a = std::log(s.power[peak - 1] + 1e-30), b = std::log(s.power[peak] + 1e-30),
                 c = std::log(s.power[peak + 1] + 1e-30);
    const double bend = a - 2 * b + c;
    const double shift = bend < 0 ? std::clamp(0.5 * (a - c) / bend, -0.5, 0.5) : 0.0;
    tone.hz = (static_cast<double>(peak) + shift) * s.binHz;
    return tone;
}

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

// The tone's energy, step by step, in units of the noise's: about 1 in a gap,
// 1 + (the step's signal-to-noise ratio) under a mark.
class ToneEnergy
{
public:
    ToneEnergy(std::span<const float> signal, double rate, const Tone& tone) : rate_(rate), noise_(tone.noise)
    {
        sum_.resize(signal.size() + 1);
        const double w = 2 * std::numbers::pi * tone.hz / rate;
        const std::complex<double> turn(std::cos(-w), std::sin(-w));
        std::complex<double> phase(1, 0);
        for (size_t n = 0; n < signal.size(); ++n) {
            sum_[n + 1] = sum_[n] + static_cast<double>(signal[n]) * phase;
            phase *= turn;
            if ((n & 1023) == 0)
                phase /= std::abs(phase);
        }
    }

    // Steps of `length` samples.
    std::vector<float> steps(size_t length) const
    {
        std::vector<float> e;
        for (size_t at = 0; at + length < sum_.size(); at += length)
            e.push_back(static_cast<float>(std::norm(sum_[at + length] - sum_[at]) / (noise_ * length)));
        return e;
    }

    size_t stepLength(double wpm, int stepsPerDit) const
    {
        return std::max<size_t>(1, static_cast<size_t>(std::lround(ditSeconds(wpm) * rate_ / stepsPerDit)));
    }

private:
    double rate_, noise_;
    std::vector<std::complex<double>> sum_;
};

// Evidence of a mark in each step, given about what signal-to-noise ratio to
// expect there (a tone of unknown phase in Gaussian noise). The level is only
// an estimate, and fading moves it: the evidence is averaged over levels from
// a quarter to twice the estimate, as one level too high would make a weak
// mark look like a gap.
std::vector<float> evidence(const std::vector<float>& energy, const std::vector<float>& snr)
{
    static constexpr double spread[] = {0.25, 0.5, 1.0, 2.0};
    std::vector<float> out(energy.size());
    for (size_t k = 0; k < energy.size(); ++k) {
        double terms[std::size(spread)];
        double top = -1e300;
        for (size_t j = 0; j < std::size(spread); ++j) {
            const double rho = snr[k] * spread[j];
            terms[j] = -rho + logBesselI0(2 * std::sqrt(rho * energy[k]));
            top = std::max(top, terms[j]);
        }
        double sum = 0;
        for (const double t : terms)
            sum += std::exp(t - top);
        out[k] = static_cast<float>(top + std::log(sum / std::size(spread)));
    }
    return out;
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
// weak marks gaps.
std::vector<float> readSnr(const std::vector<float>& energy, const Reading& reading, double stepsPerSecond)
{
    std::vector<std::pair<double, double>> level; // centre step, snr
    for (const ReadMark& m : reading.marks) {
        const int a = m.end - m.start >= 3 ? m.start + 1 : m.start,
                  b = m.end - m.start >= 3 ? m.end - 1 : m.end;
        double e = 0;
        for (int k = a; k < b; ++k)
            e += energy[k];
        level.emplace_back(0.5 * (m.start + m.end), std::max(0.0, e / (b - a) - 1.0));
    }
    const double width = 0.2 * stepsPerSecond;
    std::vector<float> snr(energy.size());
    for (size_t k = 0; k < energy.size(); ++k) {
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

struct Attempt {
    double wpm = 0;
    int stepsPerDit = 0;
    std::vector<float> energy;
    Reading reading;
    std::vector<float> evidence; // the reading's, at the mark's level it found
};

Attempt attempt(const ToneEnergy& tone, double wpm, int stepsPerDit)
{
    Attempt a{wpm, stepsPerDit, tone.steps(tone.stepLength(wpm, stepsPerDit)), {}, {}};
    a.reading = bestReading(evidence(a.energy, localSnr(a.energy, stepsPerDit)), stepsPerDit);
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

// Each character's evidence as a z-score of its marks' excess energy, '?' for
// the weak ones, and the confidence of the whole.
Heard judged(const Attempt& a, double pitchHz)
{
    Heard heard{a.reading.text, 0, pitchHz, a.wpm};
    const size_t chars = heard.text.size();
    std::vector<double> excess(chars, 0.0), count(chars, 0.0);
    std::vector<bool> marked(a.energy.size(), false);
    for (const ReadMark& m : a.reading.marks)
        for (int k = m.start; k < m.end; ++k) {
            excess[m.character] += a.energy[k] - 1.0;
            count[m.character] += 1;
            marked[k] = true;
        }
    double weakest = 1e9, markExcess = 0, marks = 0;
    for (size_t c = 0; c < chars; ++c) {
        const double z = excess[c] / std::sqrt(std::max(count[c], 1.0));
        weakest = std::min(weakest, z);
        if (z < 3.5)
            heard.text[c] = '?';
        markExcess += excess[c];
        marks += count[c];
    }
    // One element lost in a fade turns a digit into another: a mark with
    // little tone under it, or a gap with much, for the marks around it, makes
    // its character doubtful.
    const auto excessOf = [&](int from, int to) {
        double e = 0;
        for (int k = from; k < to; ++k)
            e += a.energy[k] - 1.0;
        return e;
    };
    const std::vector<ReadMark>& read = a.reading.marks;
    for (size_t i = 0; i < read.size(); ++i) {
        const int length = read[i].end - read[i].start;
        if (excessOf(read[i].start, read[i].end) / std::sqrt(length) < markDoubt)
            heard.text[read[i].character] = '?';
        // The gap before this mark, less a step at each edge where the key's edges smear.
        const int from = read[i].start - 1, to = i > 0 ? read[i - 1].end + 1 : from;
        if (from - to < 1)
            continue;
        const double gap = excessOf(to, from);
        const double level =
            std::min(excessOf(read[i].start, read[i].end) / length,
                     excessOf(read[i - 1].start, read[i - 1].end) / (read[i - 1].end - read[i - 1].start));
        if (gap / std::sqrt(from - to) > gapDoubt && gap / (from - to) > 0.3 * level) {
            heard.text[read[i].character] = '?';
            heard.text[read[i - 1].character] = '?';
        }
    }
    // A dah read where a dit was sent, or the other way round, turns one
    // digit into another: what the samples say of the two dits that make the
    // difference must be clear.
    if (!a.evidence.empty()) {
        const int n = static_cast<int>(a.evidence.size()), two = 2 * a.stepsPerDit;
        const auto sum = [&](int from, int to) {
            double e = 0;
            for (int k = std::max(from, 0); k < std::min(to, n); ++k)
                e += a.evidence[k];
            return e;
        };
        for (size_t i = 0; i < read.size(); ++i) {
            const ReadMark& m = read[i];
            double doubt = -1e9; // how well the other reading of the mark would do
            if (m.end - m.start >= two)
                doubt = std::max(-sum(m.start, m.start + two), -sum(m.end - two, m.end));
            else {
                const int before = i > 0 ? read[i - 1].end : 0,
                          after = i + 1 < read.size() ? read[i + 1].start : n;
                if (m.start - before > two)
                    doubt = std::max(doubt, sum(m.start - two, m.start));
                if (after - m.end > two)
                    doubt = std::max(doubt, sum(m.end, m.end + two));
            }
            if (doubt > -lengthMargin)
                heard.text[m.character] = '?';
        }
    }
    // An annunciation holds one point, between digits: another is a misread
    // character (most often a digit's marks half lost at the message's ends).
    for (size_t c = 0, points = 0; c < chars; ++c)
        if (a.reading.text[c] == '.' && (c == 0 || c + 1 == chars || points++ > 0))
            heard.text[c] = '?';
    // The gaps inside the message, away from the marks' edges, should hold noise alone.
    double gapExcess = 0, gaps = 0;
    const int first = a.reading.marks.front().start, last = a.reading.marks.back().end;
    for (int k = first + 1; k < last - 1; ++k)
        if (!marked[k - 1] && !marked[k] && !marked[k + 1]) {
            gapExcess += a.energy[k] - 1.0;
            gaps += 1;
        }
    const double markLevel = markExcess / std::max(marks, 1.0);
    const double gapLevel = gaps > 0 ? gapExcess / gaps : 0.0;
    const double quiet = markLevel > 0 ? gapLevel / markLevel : 1.0;
    // A keyer's marks and gaps last one or three dits, give or take its
    // jitter; notes and syllables last what they like.
    double spread = 0;
    int lengths = 0;
    const auto deviation = [&](int steps) {
        const double dits = steps / static_cast<double>(a.stepsPerDit);
        if (dits > 4.5)
            return;
        const double nominal = dits < 2 ? 1.0 : 3.0;
        spread += (dits - nominal) * (dits - nominal) / (nominal * nominal);
        ++lengths;
    };
    for (size_t i = 0; i < a.reading.marks.size(); ++i) {
        deviation(a.reading.marks[i].end - a.reading.marks[i].start);
        if (i > 0)
            deviation(a.reading.marks[i].start - a.reading.marks[i - 1].end);
    }
    spread = std::sqrt(spread / std::max(lengths, 1));
    heard.confidence = std::clamp((weakest - 3.5) / 4.0, 0.0, 1.0) *
                       std::clamp((0.35 - quiet) / 0.2, 0.0, 1.0) *
                       std::clamp((0.3 - spread) / 0.1, 0.0, 1.0);
    return heard;
}

} // namespace

Heard decode(std::span<const float> samples, int rate, int channels)
{
    if (rate < 8000 || channels < 1)
        return {};
    double narrowRate = 0;
    const std::vector<float> signal = narrowed(samples, rate, channels, narrowRate);
    if (static_cast<double>(signal.size()) < narrowRate / 2)
        return {};
    const std::optional<Tone> tone = findTone(signal, narrowRate);
    if (!tone || tone->prominence < 3)
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
    for (double wpm = slowest; wpm <= fastest; wpm *= 1.07)
        rough.emplace_back(roughScore(roughEvidence, ditSeconds(wpm) / roughSeconds), wpm);
    std::sort(rough.rbegin(), rough.rend());
    std::vector<double> tries{rough[0].second * 0.96, rough[0].second, rough[0].second * 1.04};
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
    // as the first reading's level misses the marks it lost in a trough.
    const double stepsPerSecond = best.stepsPerDit / ditSeconds(best.wpm);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<float> e = evidence(best.energy, readSnr(best.energy, best.reading, stepsPerSecond));
        Reading again = bestReading(e, best.stepsPerDit);
        if (!again.text.empty()) {
            best.reading = std::move(again);
            best.evidence = std::move(e);
        }
    }
    return judged(best, tone->hz);
}

Activity activity(std::span<const float> samples, int rate, int channels)
{
    Activity result;
    if (rate < 8000 || channels < 1)
        return result;
    double narrowRate = 0;
    const std::vector<float> signal = narrowed(samples, rate, channels, narrowRate);
    result.quietSeconds = static_cast<double>(signal.size()) / narrowRate;
    const std::optional<Tone> tone = findTone(signal, narrowRate);
    if (!tone || tone->prominence < 3)
        return result;
    result.tone = true;
    // Three 20 ms steps together well above the noise: a mark, not a noise peak.
    const auto step = static_cast<size_t>(0.02 * narrowRate);
    const std::vector<float> e = ToneEnergy(signal, narrowRate, *tone).steps(step);
    for (size_t k = e.size(); k-- > 2;)
        if (e[k] + e[k - 1] + e[k - 2] > 12) {
            result.quietSeconds = static_cast<double>(e.size() - 1 - k) * 0.02;
            break;
        }
    return result;
}

} // namespace morse
