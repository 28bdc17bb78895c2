#pragma once
// The average power spectrum of a signal (Welch: Hann-windowed segments, half
// overlapping), scaled so that white noise of variance v reads v in every bin.

#include <complex>
#include <span>
#include <vector>

namespace morse
{

// In-place radix-2 FFT; data.size() must be a power of two.
void fft(std::span<std::complex<double>> data);

struct Spectrum {
    double binHz = 0;
    std::vector<double> power; // bins 0..size/2
};

// size: the segment length, a power of two. An empty spectrum when the signal
// is shorter than one segment.
Spectrum averageSpectrum(std::span<const float> signal, double rate, size_t size);

// The same average for a signal that grows: each segment is taken once, as
// soon as it is whole.
class RunningSpectrum
{
public:
    RunningSpectrum(double rate, size_t size);

    // signal: all of the signal so far; it only grows from call to call.
    void update(std::span<const float> signal);
    // The average so far; empty before the first whole segment.
    Spectrum average() const;
    size_t segments() const { return segments_; }

private:
    double rate_;
    std::vector<double> window_;
    double windowPower_ = 0;
    std::vector<double> sum_;
    std::vector<std::complex<double>> buffer_;
    size_t segments_ = 0;
};

} // namespace morse
