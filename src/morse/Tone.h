#pragma once
// The keyed tone in a capture: the capture brought down to a narrow working
// rate, the tone's pitch found in its average spectrum, and the tone's
// amplitude and phase measured step by step. Shared by the decoder and by the
// look at a capture under way.

#include "morse/Spectrum.h"

#include <complex>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace morse
{

// The pitches a rig's sidetone may have, in Hz.
constexpr double lowestPitch = 300, highestPitch = 1200;

// `channels` interleaved channels at `rate` Hz, mixed to one and brought down
// to about 4 kHz (enough for the highest pitch), without its mean. outRate:
// the rate of the result.
std::vector<float> narrowed(std::span<const float> samples, int rate, int channels, double& outRate);

// The same narrowing for a capture that arrives in parts: the parts give the
// samples the capture would give in one piece. Removes `offset` (the mean,
// where it is known beforehand) from every mixed sample.
class Narrowing
{
public:
    Narrowing(int rate, int channels, double offset = 0);

    double rate() const { return outRate_; } // of the result, in Hz

    // Appends to `out` the working samples that `samples` bring: whole frames
    // of `channels` interleaved channels (a trailing part of a frame is left out).
    void add(std::span<const float> samples, std::vector<float>& out);

private:
    int channels_, factor_;
    double offset_, outRate_;
    double toFixed_, fromFixed_; // a sample's scale in fixed point, and the kept sums' back
    // Three moving sums of factor_ samples in one: their running sums at the
    // full rate, their differences at the kept frames. Unsigned, so that the
    // running sums may wrap: the differences come out exact all the same.
    uint64_t running_[3] = {};
    uint64_t lastKept_[3] = {};
    int untilKept_ = 0; // frames to pass before the next one kept
};

struct Tone {
    double hz = 0;
    double noise = 0;      // noise power per sample around the tone (the spectrum's floor)
    double prominence = 0; // the tone's bin over that floor

    // Whether it stands out of the noise enough to be a tone at all.
    bool heard() const { return prominence >= 3; }
};

// The strongest pitch within lowestPitch..highestPitch of a narrowed signal;
// nothing when the signal is too short for one spectrum segment (about a
// quarter of a second).
std::optional<Tone> findTone(std::span<const float> signal, double rate);

// The same from the signal's average spectrum, taken in segments of
// toneSegment(rate) samples; nothing when the spectrum is empty.
std::optional<Tone> findTone(const Spectrum& spectrum);
size_t toneSegment(double rate);

// Brings a tone of `hz` down to 0 Hz, sample by sample: each sample of a
// signal at `rate` Hz times a unit phasor turning the other way, kept at unit
// length however long the signal.
class ToneMixer
{
public:
    ToneMixer(double hz, double rate);
    std::complex<double> operator()(double sample);

private:
    std::complex<double> turn_, phase_{1, 0};
    size_t taken_ = 0;
};

// The tone's amplitude and phase in steps of any length, in units of the
// noise: a step's energy is about 1 in a gap, 1 + (its signal-to-noise ratio)
// under a mark.
class ToneEnergy
{
public:
    ToneEnergy(std::span<const float> signal, double rate, const Tone& tone);

    // Steps of `length` samples: the tone's energy in each.
    std::vector<float> steps(size_t length) const;

    // Steps of `length` samples: the tone's amplitude and phase in each, in
    // units whose squared magnitude is the energy of steps().
    std::vector<std::complex<float>> phasors(size_t length) const;

    // The samples of one step, for `stepsPerDit` steps to a dit at `wpm`.
    size_t stepLength(double wpm, int stepsPerDit) const;

private:
    double rate_, noise_;
    std::vector<std::complex<double>> sum_;
};

} // namespace morse
