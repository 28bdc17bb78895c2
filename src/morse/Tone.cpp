#include "morse/Tone.h"

#include "morse/Code.h"
#include "morse/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morse
{

namespace
{

constexpr double workingRate = 4000;
// A mixed sample beyond +-2^largestSampleBits, or no number at all, is a
// broken capture's: it is clipped there, or taken as 0, so as not to break
// the rest.
constexpr int largestSampleBits = 10;

double sane(double v)
{
    constexpr double largest = 1 << largestSampleBits;
    return std::isfinite(v) ? std::clamp(v, -largest, largest) : 0.0;
}

// Frame i of `channels` interleaved channels, mixed to one.
double mixedFrame(std::span<const float> samples, size_t i, int channels)
{
    double v = 0;
    for (int c = 0; c < channels; ++c)
        v += samples[i * static_cast<size_t>(channels) + static_cast<size_t>(c)];
    return v / channels;
}

} // namespace

std::vector<float> narrowed(std::span<const float> samples, int rate, int channels, double& outRate)
{
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    double sum = 0;
    for (size_t i = 0; i < frames; ++i)
        sum += sane(mixedFrame(samples, i, channels));
    Narrowing narrowing(rate, channels, sum / static_cast<double>(std::max<size_t>(frames, 1)));
    outRate = narrowing.rate();
    std::vector<float> out;
    out.reserve(static_cast<size_t>(static_cast<double>(frames) * outRate / rate) + 1);
    narrowing.add(samples, out);
    return out;
}

// Brought down to about workingRate by three cascaded moving sums, whose
// nulls fall on what would fold onto the band. They are kept in fixed point:
// a running sum, unlike a ring of doubles, costs one addition a stage, and
// wraps without losing a bit.
Narrowing::Narrowing(int rate, int channels, double offset)
    : channels_(channels), factor_(std::max(1, static_cast<int>(rate / workingRate))), offset_(sane(offset)),
      outRate_(static_cast<double>(rate) / factor_)
{
    // A sample and the offset, each within +-2^largestSampleBits, their
    // difference summed factor^3 times, stay within 2^62.
    const double gain = static_cast<double>(factor_) * factor_ * factor_;
    const int bits = 62 - (largestSampleBits + 1) - static_cast<int>(std::ceil(std::log2(gain)));
    toFixed_ = std::ldexp(1.0, bits);
    fromFixed_ = 1 / (toFixed_ * gain);
}

void Narrowing::add(std::span<const float> samples, std::vector<float>& out)
{
    // In locals, where the compiler keeps them in registers: the loop runs
    // for every frame of a 48 kHz capture.
    uint64_t r0 = running_[0], r1 = running_[1], r2 = running_[2];
    int untilKept = untilKept_;
    const size_t frames = samples.size() / static_cast<size_t>(channels_);
    for (size_t i = 0; i < frames; ++i) {
        const double v = sane(mixedFrame(samples, i, channels_)) - offset_;
        r0 += static_cast<uint64_t>(static_cast<int64_t>(v * toFixed_));
        r1 += r0;
        r2 += r1;
        if (untilKept == 0) {
            uint64_t sum = r2;
            for (int stage = 2; stage >= 0; --stage) {
                const uint64_t difference = sum - lastKept_[stage];
                lastKept_[stage] = sum;
                sum = difference;
            }
            out.push_back(static_cast<float>(static_cast<double>(static_cast<int64_t>(sum)) * fromFixed_));
            untilKept = factor_;
        }
        --untilKept;
    }
    running_[0] = r0;
    running_[1] = r1;
    running_[2] = r2;
    untilKept_ = untilKept;
}

size_t toneSegment(double rate)
{
    size_t size = 256;
    while (static_cast<double>(size) < rate / 4)
        size *= 2;
    return size;
}

std::optional<Tone> findTone(std::span<const float> signal, double rate)
{
    return findTone(averageSpectrum(signal, rate, toneSegment(rate)));
}

std::optional<Tone> findTone(const Spectrum& s)
{
    if (s.power.empty())
        return std::nullopt;
    const double nyquist = s.binHz * static_cast<double>(s.power.size() - 1);
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
        if (off > 40 && off < 400 && f > 100 && f < nyquist - 100)
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

ToneMixer::ToneMixer(double hz, double rate)
{
    const double w = 2 * std::numbers::pi * hz / rate;
    turn_ = {std::cos(-w), std::sin(-w)};
}

std::complex<double> ToneMixer::operator()(double sample)
{
    const std::complex<double> out = sample * phase_;
    phase_ *= turn_;
    // Rounding would otherwise let the phasor's length drift over a long capture.
    if ((taken_++ & 1023) == 0)
        phase_ /= std::abs(phase_);
    return out;
}

ToneEnergy::ToneEnergy(std::span<const float> signal, double rate, const Tone& tone)
    : rate_(rate), noise_(tone.noise)
{
    sum_.resize(signal.size() + 1);
    ToneMixer mix(tone.hz, rate);
    for (size_t n = 0; n < signal.size(); ++n)
        sum_[n + 1] = sum_[n] + mix(signal[n]);
}

std::vector<float> ToneEnergy::steps(size_t length) const
{
    std::vector<float> e;
    for (const std::complex<float> c : phasors(length))
        e.push_back(std::norm(c));
    return e;
}

std::vector<std::complex<float>> ToneEnergy::phasors(size_t length) const
{
    std::vector<std::complex<float>> out;
    const double unit = 1 / std::sqrt(noise_ * static_cast<double>(length));
    for (size_t at = 0; at + length < sum_.size(); at += length)
        out.emplace_back((sum_[at + length] - sum_[at]) * unit);
    return out;
}

size_t ToneEnergy::stepLength(double wpm, int stepsPerDit) const
{
    return std::max<size_t>(1, static_cast<size_t>(std::lround(ditSeconds(wpm) * rate_ / stepsPerDit)));
}

} // namespace morse
