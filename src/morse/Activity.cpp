#include "morse/Activity.h"

#include <cmath>

namespace morse
{

namespace
{

constexpr double stepSeconds = 0.02;
// Three steps together this far above the noise: a mark, not a noise peak.
constexpr double markEnergy = 12;
// A step's first nulls lie 50 Hz either side of the pitch: measured this far
// off it, a mark loses about a thousandth of its energy. The pitch found
// wanders by less once the tone has been heard for a while, so the steps are
// measured again only early in a capture.
constexpr double pitchSlack = 1;
// The DC blocker's pole at the working rate: a corner of about 5 Hz, far
// below the lowest pitch.
constexpr double dcPole = 0.992;

} // namespace

void ActivityMeter::add(std::span<const float> samples, int rate, int channels)
{
    if (rate != rate_ || channels != channels_)
        start(rate, channels);
    if (!narrowing_)
        return;
    const size_t from = signal_.size();
    narrowing_->add(samples, signal_);
    blockDc(from);
    const size_t segments = spectrum_->segments();
    spectrum_->update(signal_);
    if (spectrum_->segments() != segments)
        retune();
    measureSteps();
}

void ActivityMeter::start(int rate, int channels)
{
    reset();
    rate_ = rate;
    channels_ = channels;
    if (rate < 8000 || channels < 1)
        return;
    narrowing_.emplace(rate, channels);
    spectrum_.emplace(narrowing_->rate(), toneSegment(narrowing_->rate()));
    stepLength_ = static_cast<size_t>(stepSeconds * narrowing_->rate());
}

// The capture's mean is not known until it is over; a first-order high-pass
// removes the DC instead.
void ActivityMeter::blockDc(size_t from)
{
    for (size_t n = from; n < signal_.size(); ++n) {
        const double x = signal_[n];
        dcOut_ = x - dcIn_ + dcPole * dcOut_;
        dcIn_ = x;
        signal_[n] = static_cast<float>(dcOut_);
    }
}

void ActivityMeter::retune()
{
    tone_ = findTone(spectrum_->average());
    if (!tone_ || std::abs(tone_->hz - stepsHz_) <= pitchSlack)
        return;
    stepsHz_ = tone_->hz;
    mix_.emplace(stepsHz_, narrowing_->rate());
    partial_ = 0;
    measured_ = 0;
    steps_.clear();
}

void ActivityMeter::measureSteps()
{
    if (!mix_)
        return;
    for (; measured_ < signal_.size(); ++measured_) {
        partial_ += (*mix_)(signal_[measured_]);
        if ((measured_ + 1) % stepLength_ == 0) {
            steps_.push_back(std::norm(partial_));
            partial_ = 0;
        }
    }
}

Activity ActivityMeter::now() const
{
    if (!narrowing_)
        return {};
    Activity a;
    a.quietSeconds = static_cast<double>(signal_.size()) / narrowing_->rate();
    if (!tone_ || !tone_->heard())
        return a;
    a.tone = true;
    const double mark = markEnergy * tone_->noise * static_cast<double>(stepLength_);
    for (size_t k = steps_.size(); k-- > 2;)
        if (steps_[k] + steps_[k - 1] + steps_[k - 2] > mark) {
            a.quietSeconds = static_cast<double>(steps_.size() - 1 - k) * stepSeconds;
            break;
        }
    return a;
}

} // namespace morse
