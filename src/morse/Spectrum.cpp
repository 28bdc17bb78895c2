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
    Spectrum out;
    if (signal.size() < size)
        return out;
    std::vector<double> window(size);
    double windowPower = 0;
    for (size_t i = 0; i < size; ++i) {
        window[i] =
            0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(size));
        windowPower += window[i] * window[i];
    }
    out.binHz = rate / static_cast<double>(size);
    out.power.assign(size / 2 + 1, 0.0);
    std::vector<std::complex<double>> buffer(size);
    size_t segments = 0;
    for (size_t start = 0; start + size <= signal.size(); start += size / 2, ++segments) {
        for (size_t i = 0; i < size; ++i)
            buffer[i] = signal[start + i] * window[i];
        fft(buffer);
        for (size_t k = 0; k < out.power.size(); ++k)
            out.power[k] += std::norm(buffer[k]);
    }
    const double scale = 1.0 / (windowPower * static_cast<double>(segments));
    for (double& p : out.power)
        p *= scale;
    return out;
}

} // namespace morse
