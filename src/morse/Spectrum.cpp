#include "morse/Spectrum.h"

#include <cmath>
#include <numbers>
#include <utility>

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
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * std::numbers::pi / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1, 0);
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = data[i + k], v = data[i + k + len / 2] * w;
                data[i + k] = u + v;
                data[i + k + len / 2] = u - v;
                w *= step;
            }
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
