#pragma once
// What the rig's annunciation says about the panel's record. Plain C++.
//
// The rig sends the end of its transmit frequency in kHz: "7040.2", or only
// its last figures, "040.2". The leading digits it leaves out are the
// record's (the nearest such frequency to the record). The record agrees when
// it lies within one unit of the last digit heard (within 100 Hz of "7040.2",
// 10 Hz of "7040.25", 1 kHz of "7040").
//
// A reading is a frequency only when it is trusted (confidence >= trusted) and
// is digits with at most one decimal point, 1..6 digits before it and at most 3
// after; anything else (a '?' in it, say) is not a frequency.

#include <cstdint>
#include <string>

namespace hear
{

inline constexpr double trusted = 0.5;

enum class Finding { Nothing, NotAFrequency, Agrees, Differs };

struct Verdict {
    Finding finding = Finding::Nothing;
    std::string heard;   // the text as heard
    int64_t rigHz = 0;   // Agrees, Differs: the rig's frequency, completed from the record
    int decimals = 0;    // kHz decimals heard
    int64_t apartHz = 0; // Agrees, Differs: the rig's frequency minus the record
};

// heard: the decoder's text (empty: heard nothing); recordHz: the record's
// transmit frequency in Hz (>= 0).
Verdict reconcile(const std::string& heard, double confidence, int64_t recordHz);

// Hz as kHz with exactly `decimals` decimals (0..3): "7041.0".
std::string kHzText(int64_t hz, int decimals);

// The panel's line: "Heard nothing", "Heard '70?0.2': not a frequency",
// "Rig: 7040.2 kHz, the record agrees" or
// "Rig: 7041.0 kHz; the record says 7040.2 (800 Hz apart)", where
// recordText is the record as the panel shows it.
std::string lineText(const Verdict& verdict, const std::string& recordText);

} // namespace hear
