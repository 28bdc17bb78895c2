#include "hear/WavSamples.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace hear
{

namespace
{

// G.711's expansions, on the scale of 16-bit samples.
constexpr std::array<float, 256> muLaw = [] {
    std::array<float, 256> t{};
    for (int b = 0; b < 256; ++b) {
        const int u = ~b & 0xFF;
        const int v = ((((u & 0x0F) << 3) + 0x84) << ((u >> 4) & 7)) - 0x84;
        t[static_cast<size_t>(b)] = static_cast<float>(u & 0x80 ? -v : v) / 32768.0f;
    }
    return t;
}();

constexpr std::array<float, 256> aLaw = [] {
    std::array<float, 256> t{};
    for (int b = 0; b < 256; ++b) {
        const int a = b ^ 0x55;
        const int mantissa = a & 0x0F, segment = (a >> 4) & 7;
        const int v = segment == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (segment - 1);
        t[static_cast<size_t>(b)] = static_cast<float>(a & 0x80 ? v : -v) / 32768.0f;
    }
    return t;
}();

uint64_t littleEndian(const unsigned char* p, int bytes)
{
    uint64_t u = 0;
    for (int i = 0; i < bytes; ++i)
        u |= static_cast<uint64_t>(p[i]) << (8 * i);
    return u;
}

// One channel's sample, full scale 1.
class Sample
{
public:
    explicit Sample(const WavFormat& f)
        : f_(f), keep_(~uint32_t{0} << (32 - std::min(f.validBits, 32))),
          byteKeep_(static_cast<uint8_t>(0xFF << (8 - std::min(f.validBits, 8))))
    {
    }

    double operator()(const unsigned char* p) const
    {
        switch (f_.coding) {
        case WavFormat::Coding::MuLaw:
            return muLaw[*p];
        case WavFormat::Coding::ALaw:
            return aLaw[*p];
        case WavFormat::Coding::Float: {
            const double v = f_.bytes == 4 ? std::bit_cast<float>(static_cast<uint32_t>(littleEndian(p, 4)))
                                           : std::bit_cast<double>(littleEndian(p, 8));
            return std::isfinite(v) ? v : 0.0;
        }
        case WavFormat::Coding::Pcm:
            break;
        }
        if (f_.bytes == 1)
            return ((*p & byteKeep_) - 128) / 128.0;
        // Moved to the top of 32 bits, where its sign bit is the word's.
        const auto top = static_cast<uint32_t>(littleEndian(p, f_.bytes) << (32 - 8 * f_.bytes));
        return static_cast<int32_t>(top & keep_) / 2147483648.0;
    }

private:
    const WavFormat& f_;
    uint32_t keep_;
    uint8_t byteKeep_;
};

} // namespace

void appendMono(std::span<const unsigned char> bytes, const WavFormat& format, std::vector<float>& out)
{
    const Sample sample(format);
    const auto width = static_cast<size_t>(format.bytes);
    const auto frame = static_cast<size_t>(format.frameBytes());
    for (size_t at = 0; at + frame <= bytes.size(); at += frame) {
        double sum = 0;
        for (size_t c = at; c < at + frame; c += width)
            sum += sample(bytes.data() + c);
        out.push_back(static_cast<float>(sum / format.channels));
    }
}

} // namespace hear
