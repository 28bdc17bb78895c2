#pragma once
// Morse from a WAV file, for measuring the decoder against others.
//
// Reads PCM of 1 to 32 bits (8 and fewer unsigned, more signed), IEEE float
// of 32 and 64 bits, mu-law and A-law, plain or WAVE_FORMAT_EXTENSIBLE, at
// 8000 Hz or more with any number of channels (mixed to one); the chunks as
// WavChunks.h finds them. A data chunk cut short is read as far as it goes.
//
// Memory stays bounded whatever the file: it is read in blocks of 64 kB, each
// mixed to one channel and brought down to the decoder's working rate as it
// comes (16 kB a second of sound). The decoder reads one short message whole
// (an annunciation lasts a few seconds), at a cost that grows with the sound
// it is given, so only the first `longestSeconds` of a file are read: some
// 30 MB of decoding at most; the rest of the file is not read.

#include <QString>

#include <cstdio>

namespace hear
{

inline constexpr int longestSeconds = 120;

// Prints the text heard in the WAV file at `path` on `out`, one line (empty
// when nothing was heard). On `log`: what was read (length, rate, channels,
// coding and level in dB below full scale, a full-scale sine being -3 dB),
// then the pitch, speed and confidence; and a line each when the data chunk
// was cut short or the file runs past longestSeconds. Returns 0, or 1 with a
// message naming the file on `log` when it cannot be read (not a WAV file,
// no data or no fmt chunk, a format it does not read, a rate below 8000 Hz,
// a data chunk cut before its first frame).
int decodeWavFile(const QString& path, std::FILE* out, std::FILE* log);

} // namespace hear
