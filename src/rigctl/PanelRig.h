#pragma once
// The panel as a rigctl::Rig: it reads the frequency record from the displays
// and tunes by running "E" on a frequency of its own, so a remote client works
// the rig exactly as the operator does.

#include "rigctl/Interpreter.h"

class Corvane;

namespace rigctl {

class PanelRig : public Rig {
public:
    explicit PanelRig(Corvane& panel) : panel_(panel) {}

    // Text3 with RIT on, Text1 otherwise: the frequency "E" works from.
    // Throws numtext::ConversionError on a display that holds no frequency.
    int64_t frequencyHz() override;
    // Text3 - Text1 while RIT is on. Throws as frequencyHz does.
    int64_t ritOffsetHz() override;
    // Refuses (false) what "E" would refuse, before it runs: no model chosen, or
    // outside 540..25000 kHz and the model's limits once rounded to 50 Hz.
    // Otherwise runs "E" on that frequency and leaves the operator's entry in
    // Text5 as it was. Throws what "E" throws; Text5 is restored then too.
    bool tune(double hz) override;

private:
    Corvane& panel_;
};

} // namespace rigctl
