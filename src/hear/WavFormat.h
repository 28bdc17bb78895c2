#pragma once
// How a WAV file codes its samples, as its fmt chunk tells it.

#include <cstdint>
#include <string>

namespace hear
{

struct WavFormat {
    enum class Coding { Pcm, Float, MuLaw, ALaw };
    Coding coding = Coding::Pcm;
    int channels = 1; // 1..65535, interleaved
    int rate = 0;     // frames a second, 1..10 000 000
    // Bytes of one channel's sample: Pcm 1..4 (1 unsigned, more signed, little
    // endian), Float 4 or 8, MuLaw and ALaw 1.
    int bytes = 2;
    // Pcm: the significant bits, 1..8 * bytes, at the top of the sample; the
    // bits below them are ignored. The others: 8 * bytes.
    int validBits = 16;

    int64_t frameBytes() const { return static_cast<int64_t>(bytes) * channels; }
    // "16-bit PCM", "20-bit PCM in 24", "32-bit float", "mu-law", "A-law".
    std::string name() const;
};

} // namespace hear
