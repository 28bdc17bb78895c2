// The encoder phase sequences: the rig is tuned by playing its tuning encoder's
// two lines as a turning knob would. Bytes on the data register (bits 2 = A,
// 3 = B; every other bit 1): 255 both high, 251 A low, 247 B low, 243 both low.
// Going up, line A changes first; going down, line B. Every change of level
// changes one line only, and every change is followed by a full wait: the rig
// needs its gap to count the edge.
#include "panel/Corvane.h"

void Corvane::encoderChange(int16_t byte)
{
    enc_write(byte);
    timer_.WaitDelay(enc_delay);
}

// Encoder 1: one step is half a quadrature cycle, from one rest state (both
// lines high or both low) to the other. enc_high follows the lines once the
// second byte is out, before the last wait.
void Corvane::halfStep(int16_t first, int16_t rest)
{
    encoderChange(first);
    enc_write(rest);
    enc_high = rest == 255;
    timer_.WaitDelay(enc_delay);
}

void Corvane::up1a() { halfStep(251, 243); }
void Corvane::up1b() { halfStep(247, 255); }
void Corvane::dn1a() { halfStep(247, 243); }
void Corvane::dn1b() { halfStep(251, 255); }

// Encoder 2: one step is a whole cycle, from both high back to both high.
// It neither reads nor writes enc_high.
void Corvane::up2()
{
    for (int16_t byte : {251, 243, 247, 255})
        encoderChange(byte);
}

void Corvane::dn2()
{
    for (int16_t byte : {247, 243, 251, 255})
        encoderChange(byte);
}
