#include "morse/PhaseTrack.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morse
{

namespace
{

constexpr double widestErrorHz = 2;
// Marks this far above the noise (energy per step, in its units) tell their
// phase well enough to judge the track by.
constexpr double clearMark = 4;
// How much likelier than chance a track must gather the clear marks: e^6.
constexpr double beyondChance = 6;

std::complex<double> along(const std::vector<std::complex<float>>& phasors, const ReadMark& m, double turn,
                           double start)
{
    std::complex<double> sum = 0, phase = std::polar(1.0, -turn * m.start - start);
    const std::complex<double> step = std::polar(1.0, -turn);
    for (int k = m.start; k < m.end; ++k, phase *= step)
        sum += std::complex<double>(phasors[static_cast<size_t>(k)]) * phase;
    return sum;
}

} // namespace

PhaseTrack phaseTrack(const std::vector<std::complex<float>>& phasors, const Reading& reading,
                      double stepSeconds)
{
    if (reading.marks.empty())
        return {};
    const auto marksAlong = [&](double turn) {
        std::complex<double> sum = 0;
        for (const ReadMark& m : reading.marks)
            sum += along(phasors, m, turn, 0);
        return sum;
    };
    // Turns that part by a radian over the message first, then finer ones
    // between the best one's neighbours.
    const double widest = 2 * std::numbers::pi * widestErrorHz * stepSeconds;
    const double coarse = 1.0 / std::max(1, reading.marks.back().end - reading.marks.front().start);
    double best = 0, bestPower = -1;
    const auto search = [&](double from, double to, double by) {
        for (double turn = from; turn <= to; turn += by)
            if (const double p = std::norm(marksAlong(turn)); p > bestPower) {
                bestPower = p;
                best = turn;
            }
    };
    search(-widest, widest, coarse);
    search(best - coarse, best + coarse, coarse / 16);
    PhaseTrack track{best, std::arg(marksAlong(best)), 0};

    // Of the clear marks: how far their phases spread about the track beyond
    // what the noise alone spreads them, and how far they gather at all.
    double excess = 0;
    std::complex<double> gathered = 0;
    int clear = 0;
    for (const ReadMark& m : reading.marks) {
        const std::complex<double> z = along(phasors, m, track.turn, track.start);
        const double steps = m.end - m.start;
        if (std::norm(z) / steps < clearMark)
            continue;
        const double angle = std::arg(z);
        excess += angle * angle - steps / (2 * std::norm(z));
        gathered += z / std::abs(z);
        ++clear;
    }
    // Unrelated phases gather by chance as far as the Rayleigh test's
    // statistic, about exponential, allows at the best of all the turns tried.
    const double turnsTried = 2 * widest / coarse;
    if (clear < 6 || std::norm(gathered) / clear < std::log(turnsTried) + beyondChance)
        return track;
    const double spread = excess / (clear - 2); // two phases went to fitting the track
    if (spread <= 1 / mostConcentrated)
        track.kappa = mostConcentrated;
    else if (spread < 1)
        track.kappa = 1 / spread;
    return track;
}

std::vector<std::complex<float>> turnedBack(const std::vector<std::complex<float>>& phasors,
                                            const PhaseTrack& track)
{
    std::vector<std::complex<float>> out(phasors.size());
    for (size_t k = 0; k < phasors.size(); ++k)
        out[k] = std::complex<float>(std::complex<double>(phasors[k]) *
                                     std::polar(1.0, -track.turn * static_cast<double>(k) - track.start));
    return out;
}

} // namespace morse
