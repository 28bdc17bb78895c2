#pragma once
// What the rig's annunciation says about the panel's record. Plain C++.
//
// The rig sends the end of its transmit frequency in kHz: "7040.2", or only
// its last figures, "040.2", perhaps after a label ("F 7040.2", "FREQ 7040.2")
// or before a closing sign ("7040.2 K", "7040.2 <AR>"). The leading digits it
// leaves out are the record's (the nearest such frequency to the record): in
// the short form (three figures before the point) wherever it stands, in a
// longer group only when it is the first word, where the start of a reading
// may have lost a leading digit (morse/Decoder.h). After a word a longer
// group is the whole frequency: "REQ 8071.95" is 8071.95 kHz whatever the
// record. The record agrees when it lies within one unit of the last digit
// heard (within 100 Hz of "7040.2", 10 Hz of "7040.25", 1 kHz of "7040").
//
// A reading is a frequency only when it is trusted (confidence >= trusted)
// and holds one group of figures in a form the rig sends: 3 to 6 figures, a
// point and 1 to 3 decimals, or 4 to 6 figures without a point; beside it at
// most one word of letters before it and one after it (a prosign counts as a
// word of letters), which are set aside. Anything else (other traffic, two
// groups of figures, a group mixing letters and figures, a '*' anywhere) is
// not a frequency. A frequency off the rig's 50 Hz grid is said to be so, and
// is not one the rig can be on.

#include <cstdint>
#include <string>

namespace hear
{

inline constexpr double trusted = 0.5;

enum class Finding { Nothing, Unsure, NotAFrequency, OffGrid, Agrees, Differs };

struct Verdict {
    Finding finding = Finding::Nothing;
    std::string heard;   // the text as heard, whole
    std::string figures; // OffGrid, Agrees, Differs: the group of figures read as the frequency
    int64_t rigHz = 0;   // OffGrid, Agrees, Differs: the rig's frequency, completed from the record
    int decimals = 0;    // kHz decimals heard
    int64_t apartHz = 0; // OffGrid, Agrees, Differs: the rig's frequency minus the record
};

// heard: the decoder's text (empty: heard nothing); recordHz: the record's
// transmit frequency in Hz (>= 0).
Verdict reconcile(const std::string& heard, double confidence, int64_t recordHz);

// Hz as kHz with exactly `decimals` decimals (0..3): "7041.0".
std::string kHzText(int64_t hz, int decimals);

// The panel's line, always with what was heard beside the verdict:
// "Heard nothing", "Heard '73 73': not a frequency",
// "Heard '7040.2': too unsure to trust",
// "Heard '3524.14': 3524.14 kHz is off the rig's 50 Hz grid",
// "Heard 'F 7040.2': the record agrees",
// "Heard '040.2': the rig is at 7040.2 kHz; the record agrees" or
// "Heard '7041.0': the rig is at 7041.0 kHz; the record says 7040.2 (800 Hz apart)",
// where recordText is the record as the panel shows it.
std::string lineText(const Verdict& verdict, const std::string& recordText);

// The line after a move checked by ear, `line` being the plain one above:
// "Arrived, verified by ear: " before it when the record agrees,
// "The rig says 7041.0; Take? " when it differs, "Not verified: " otherwise.
std::string checkedText(const Verdict& verdict, const std::string& line);

} // namespace hear
