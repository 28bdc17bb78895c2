#pragma once
// How a capture under way sounds, to know when the message is over: whether
// a tone stands out of the noise at some pitch 300..1200 Hz, and how long the
// tone has been quiet at the end. Measured as the capture arrives, each
// sample once, so a look costs as little late in a long capture as early.

#include "morse/Spectrum.h"
#include "morse/Tone.h"

#include <complex>
#include <optional>
#include <span>
#include <vector>

namespace morse
{

struct Activity {
    bool tone = false;
    double quietSeconds = 0; // since the tone's last mark; all of the capture without a tone
};

class ActivityMeter
{
public:
    // The next part of the capture: whole frames of `channels` interleaved
    // channels (mixed to one) at `rate` Hz, full scale about 1. A part in
    // another format than the one before starts the capture afresh; a format
    // below 8000 Hz or without channels is not measured (now() says nothing).
    // Costs in proportion to the part, and to the capture only when the
    // pitch found moves (early on, while no tone has settled). Keeps the
    // capture at about 4 kHz: 16 kB a second.
    void add(std::span<const float> samples, int rate, int channels = 1);

    // The capture so far, in 20 ms steps. Cheap: a scan back from the end to
    // the last mark.
    Activity now() const;

    // Forgets the capture.
    void reset() { *this = ActivityMeter(); }

private:
    void start(int rate, int channels);
    void blockDc(size_t from);
    void retune();
    void measureSteps();

    int rate_ = 0, channels_ = 0;
    std::optional<Narrowing> narrowing_;
    std::vector<float> signal_; // the capture at the working rate
    double dcIn_ = 0, dcOut_ = 0;
    std::optional<RunningSpectrum> spectrum_;
    std::optional<Tone> tone_;

    // The tone's energy in steps, at the pitch it was first found near.
    double stepsHz_ = 0;
    size_t stepLength_ = 1, measured_ = 0;
    std::optional<ToneMixer> mix_;
    std::complex<double> partial_;
    std::vector<double> steps_; // squared magnitudes, not yet in units of the noise
};

} // namespace morse
