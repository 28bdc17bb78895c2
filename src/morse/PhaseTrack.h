#pragma once
// The tone's phase through a whole message. A keyer that keys a running
// oscillator keeps its phase from mark to mark, turning only at what is left
// of the pitch's error; then each mark's phase is known from all the others,
// and a weak mark is told from a gap by the part of its samples in that phase
// alone, with half the noise. A keyer that starts its oscillator afresh at
// every mark keeps no such phase, and is read without one.

#include "morse/Lattice.h"

#include <complex>
#include <vector>

namespace morse
{

struct PhaseTrack {
    double turn = 0;  // radians per step
    double start = 0; // radians, at step 0
    // How closely the marks hold to the track, as the concentration of a von
    // Mises spread about it (about 1 / its variance in rad^2), at most
    // mostConcentrated; 0 where they do not hold to it.
    double kappa = 0;
};

inline constexpr double mostConcentrated = 20;

// The track the reading's marks follow, in phasors (ToneEnergy::phasors) of
// `stepSeconds` each, for a pitch up to 2 Hz off. kappa is 0 unless six marks
// or more stand well out of the noise and gather about the track more closely
// than a track picked by chance among all those tried would gather them.
PhaseTrack phaseTrack(const std::vector<std::complex<float>>& phasors, const Reading& reading,
                      double stepSeconds);

// The phasors turned back along the track: on it, a mark's tone has phase 0.
std::vector<std::complex<float>> turnedBack(const std::vector<std::complex<float>>& phasors,
                                            const PhaseTrack& track);

} // namespace morse
