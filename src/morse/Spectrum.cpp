#include "morse/Spectrum.h"

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace morse
{

void fft(std::span<std::complex<double>> data)
{
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    // The turns of every stage come from one table, made once per size and
    // thread: a capture's spectrum takes a hundred or more of these.
    thread_local std::vector<std::complex<double>> turns;
    if (turns.size() != n / 2) {
        turns.resize(n / 2);
        for (size_t k = 0; k < n / 2; ++k)
            turns[k] = std::polar(1.0, -2 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n));
    }
    // Written out in real arithmetic: the library's complex product guards
    // against infinities that cannot arise here, at a cost on every butterfly.
    for (size_t len = 2; len <= n; len <<= 1) {
        const size_t half = len / 2, stride = n / len;
        for (size_t i = 0; i < n; i += len)
            for (size_t k = 0; k < half; ++k) {
                const double wr = turns[k * stride].real(), wi = turns[k * stride].imag();
                const double br = data[i + k + half].real(), bi = data[i + k + half].imag();
                const double ur = data[i + k].real(), ui = data[i + k].imag();
                const double vr = br * wr - bi * wi, vi = br * wi + bi * wr;
                data[i + k] = {ur + vr, ui + vi};
                data[i + k + half] = {ur - vr, ui - vi};
            }
    }
}

Spectrum averageSpectrum(std::span<const float> signal, double rate, size_t size)
{
    RunningSpectrum running(rate, size);
    running.update(signal);
    return running.average();
}

RunningSpectrum::RunningSpectrum(double rate, size_t size)
    : rate_(rate), window_(size), sum_(size / 2 + 1, 0.0), buffer_(size)
{
    for (size_t i = 0; i < size; ++i) {
        window_[i] =
            0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(size));
        windowPower_ += window_[i] * window_[i];
    }
}

void RunningSpectrum::update(std::span<const float> signal)
{
    const size_t size = window_.size();
    for (size_t start = segments_ * (size / 2); start + size <= signal.size();
         start += size / 2, ++segments_) {
        for (size_t i = 0; i < size; ++i)
            buffer_[i] = signal[start + i] * window_[i];
        fft(buffer_);
        for (size_t k = 0; k < sum_.size(); ++k)
            sum_[k] += std::norm(buffer_[k]);
    }
}

Spectrum RunningSpectrum::average() const
{
    Spectrum out;
    if (segments_ == 0)
        return out;
    out.binHz = rate_ / static_cast<double>(window_.size());
    const double scale = 1.0 / (windowPower_ * static_cast<double>(segments_));
    for (const double p : sum_)
        out.power.push_back(p * scale);
    return out;
}

} // namespace morse
