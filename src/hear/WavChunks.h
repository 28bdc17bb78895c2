#pragma once
// Where a WAV file's samples lie and how they are coded, read from its chunks
// as recorders write them: in any order, an odd-sized chunk padded to an even
// size, WAVE_FORMAT_EXTENSIBLE taken as the format its sub-format GUID begins
// with. The RIFF size is not relied on (a recorder that streams leaves it 0
// or 0xFFFFFFFF): the chunks are read to the end of the file. A data chunk
// of size 0 or 0xFFFFFFFF runs to the end of the file.

#include "hear/WavFormat.h"

#include <cstdint>
#include <string>
#include <variant>

class QIODevice;

namespace hear
{

struct WavData {
    WavFormat format;
    int64_t offset = 0; // of the first sample, from the start of the file
    int64_t bytes = 0;  // of whole frames there, no more than the file holds
    bool cut = false;   // the data chunk declares more than the file holds
};

// file: open for reading, random access. Returns where the samples are, or
// why there are none to read, as words to follow the file's name ("has no
// data chunk"): no RIFF WAVE header, no data chunk, no fmt chunk before the
// samples' end (a data chunk that runs to the end of the file must follow
// it), a format code other than PCM (1), IEEE float (3), A-law (6), mu-law
// (7) or extensible (0xFFFE) over one of these, or a fmt chunk whose numbers
// do not fit together.
std::variant<WavData, std::string> findWavData(QIODevice& file);

} // namespace hear
