#pragma once
// A WAV file's samples as the decoder takes them: mono, full scale 1.

#include "hear/WavFormat.h"

#include <span>
#include <vector>

namespace hear
{

// Appends one sample to `out` for each whole frame of `format` in `bytes`:
// the frame's channels averaged, full scale 1 (a 16-bit sample of 16384
// gives 0.5; mu-law and A-law on the same scale as 16 bits). A float that
// is no number or infinite counts as 0. A trailing part of a frame is left out.
void appendMono(std::span<const unsigned char> bytes, const WavFormat& format, std::vector<float>& out);

} // namespace hear
