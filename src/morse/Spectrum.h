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

} // namespace morse
