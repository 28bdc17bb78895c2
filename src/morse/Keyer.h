#pragma once
// Morse audio of a short text: what a rig sends when it annunciates, with the
// imperfections of a real one on request (a hand-built keyer's timing jitter,
// slow fading, white noise). The text is written as the decoder writes it
// (morse/Code.h): letters in either case, figures, punctuation, prosigns as
// "<AR>", a space for a word gap; anything else is left out.

#include <optional>
#include <random>
#include <string_view>
#include <vector>

namespace morse
{

struct Sending {
    double pitchHz = 700;
    double wpm = 20;
    double amplitude = 0.5;  // of the tone, full scale 1
    double jitter = 0;       // standard deviation of each mark's and gap's length, relative (0.1: 10 %)
    bool evenJitter = false; // instead, each length anywhere within +-jitter of its own, evenly
    bool fading = false;     // the tone's power swings between 0.2 and 1.8 of its mean over 2..5 s
    bool freshPhase = false; // each mark starts at a random phase (an oscillator started at each key-down)
    std::optional<double> snrDb; // white Gaussian noise: tone power over noise power in 2500 Hz
    double leadSeconds = 0.3;    // silence (or noise) before the first mark
    double tailSeconds = 0.5;    // and after the last
};

// Mono samples at `rate` Hz (>= 2.5 times the pitch), full scale 1 (noise may
// exceed it; the caller clips or scales as its output needs). `random` is used
// only for jitter, fading, a fresh phase and noise.
std::vector<float> keyed(std::string_view text, const Sending& sending, int rate, std::mt19937& random);

// How long keyed() takes for `text` without jitter, lead and tail, in seconds.
double sendingSeconds(std::string_view text, double wpm);

} // namespace morse
