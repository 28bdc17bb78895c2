#pragma once
// Reads a short Morse message, such as a rig's annunciation ("7040.2", perhaps
// with a label or a closing sign: "F 7040.2 K"), captured whole, at any pitch
// from 300 to 1200 Hz and any speed from 10 to 40 words a minute, found by
// itself. Made for weak, noisy and fading signals and for a hand-built
// keyer's uneven timing; knows nothing of audio devices, nor of rigs: it
// reads the whole code (morse/Code.h) and writes what was sent.
//
// It finds the tone's pitch in the average spectrum, measures the tone in a
// narrow band around it, and reads the message whole: of every way of
// spelling the signal in the code at every speed, the one the samples bear
// out best (Lattice.h). Where the marks keep one phase, as a running
// oscillator keyed on and off gives them, it reads once more with the tone's
// phase known (PhaseTrack.h). Then it weighs each character against its
// rivals, and the whole against what a keyed tone looks like.

#include <span>
#include <string>

namespace morse
{

struct Heard {
    // The message as written (morse/Code.h): words separated by one space,
    // '*' standing for a character too weak to trust, and one more '*' after
    // it where a character may have been lost at that end; before it too,
    // unless its first word holds a point with three characters before it
    // (what was lost there is a leading digit, which a record supplies; for
    // the same reason a doubtful first character is left out while three
    // stay before that point, with the rest of its word when that word is a
    // label before it). Empty when no tone stands out of the noise.
    std::string text;
    // 0..1: how sure the reading is, from how far its weakest character
    // stands out of its rivals, how quiet the gaps are, how steady the tone
    // holds through a mark and how regular its timing is (music or speech
    // lowers it). A reading below 0.5 is not to be acted on.
    double confidence = 0;
    double pitchHz = 0; // of the tone found; 0 with an empty text
    double wpm = 0;     // the speed it was read at
};

// samples: `channels` interleaved channels (mixed to one), full scale about 1,
// at `rate` Hz (8000 or more). Never throws for any content; too short a
// signal (under half a second) hears nothing.
Heard decode(std::span<const float> samples, int rate, int channels = 1);

// The same for a capture already brought down as narrowed() (Tone.h) brings
// it: mono, at the rate narrowed() gives (about 4 kHz, from a capture at
// 8000 Hz or more), without its mean. What a capture costs to keep this way
// is 16 kB a second; reading it takes some ten to fifteen times that again
// (more at faster speeds).
Heard decodeNarrowed(std::span<const float> signal, double rate);

} // namespace morse
