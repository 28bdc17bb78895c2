// The rig's key line. How long the key is held tells the rig what is meant: the
// short hold (delay index 1) asks it to annunciate, the long one (index 2)
// switches its tuning step.
#include "panel/runs.h"

void Corvane::pressKey(int16_t holdDelay)
{
    const Busy running(*this);
    // Press and release are one: a stop or a close waits for the release. The
    // hold may be lent to serving once the press is out (the pacer waits its
    // full length all the same), so a press is never cut short.
    const bool std_port = is_std_port();
    const int16_t x = key_press(std_port);
    timer_.WaitDelay(holdDelay);
    key_release(std_port, x);
}

// Annunciate: the short press, with RIT on or off; no wait after the release.
void Corvane::Command1_Click() { pressKey(1); }
