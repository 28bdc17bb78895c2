#pragma once
// Morse from a WAV file, for measuring the decoder against others.

#include <QString>

#include <cstdio>

namespace hear
{

// Prints the text heard in the WAV file at `path` on `out`, one line (empty
// when nothing was heard); the pitch, speed and confidence go to `log`.
// Returns 0, or 1 with a message on `log` when the file cannot be read.
int decodeWavFile(const QString& path, std::FILE* out, std::FILE* log);

} // namespace hear
