#include "morse/Keyer.h"

#include "morse/Code.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace morse
{

namespace
{

struct Element {
    double units;
    bool mark;
};

std::vector<Element> elements(std::string_view text)
{
    std::vector<Element> out;
    bool wordGap = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char id = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        if (id == ' ') {
            wordGap = !out.empty();
            continue;
        }
        if (id == '<') {
            const size_t close = text.find('>', i);
            const std::string_view token =
                text.substr(i, close == std::string_view::npos ? 1 : close - i + 1);
            for (const Symbol& s : alphabet)
                if (s.written == token)
                    id = s.id;
            i += token.size() - 1;
        }
        const std::string_view code = codeOf(id);
        if (code.empty())
            continue;
        if (!out.empty())
            out.push_back({wordGap ? 7.0 : 3.0, false});
        wordGap = false;
        for (size_t e = 0; e < code.size(); ++e) {
            if (e > 0)
                out.push_back({1, false});
            out.push_back({code[e] == '-' ? 3.0 : 1.0, true});
        }
    }
    return out;
}

} // namespace

double sendingSeconds(std::string_view text, double wpm)
{
    double units = 0;
    for (const Element& e : elements(text))
        units += e.units;
    return units * ditSeconds(wpm);
}

std::vector<float> keyed(std::string_view text, const Sending& sending, int rate, std::mt19937& random)
{
    std::normal_distribution<double> gauss(0.0, 1.0);
    // The key's on/off pattern, with a 4 ms raised-cosine edge against clicks.
    std::vector<std::pair<double, double>> marks; // start and end, seconds
    double t = sending.leadSeconds;
    for (const Element& e : elements(text)) {
        const double stretch = sending.evenJitter
                                   ? 1.0 + sending.jitter * std::uniform_real_distribution<double>(-1.0, 1.0)(random)
                                   : std::clamp(1.0 + sending.jitter * gauss(random), 0.5, 1.5);
        const double length = e.units * ditSeconds(sending.wpm) * stretch;
        if (e.mark)
            marks.emplace_back(t, t + length);
        t += length;
    }
    const double total = t + sending.tailSeconds;
    std::vector<float> out(static_cast<size_t>(total * rate));

    const double edge = 0.004;
    const double twoPi = 2 * std::numbers::pi;
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const double fadePeriod = 2.0 + 3.0 * uniform(random), fadePhase = twoPi * uniform(random);
    for (const auto& [start, end] : marks) {
        const double phase = sending.freshPhase ? twoPi * uniform(random) : 0.0;
        const auto first = static_cast<size_t>(start * rate);
        const auto last = std::min(out.size(), static_cast<size_t>(end * rate + edge * rate));
        for (size_t n = first; n < last; ++n) {
            const double s = static_cast<double>(n) / rate;
            double gain = 1;
            if (s - start < edge)
                gain = 0.5 - 0.5 * std::cos(std::numbers::pi * (s - start) / edge);
            else if (s > end)
                gain = 0.5 + 0.5 * std::cos(std::numbers::pi * (s - end) / edge);
            if (sending.fading)
                gain *= std::sqrt(1.0 + 0.8 * std::sin(twoPi * s / fadePeriod + fadePhase));
            out[n] =
                static_cast<float>(sending.amplitude * gain * std::sin(twoPi * sending.pitchHz * s + phase));
        }
    }
    if (sending.snrDb) {
        // Tone power A^2/2 over noise power in 2500 Hz; the noise is white up to rate/2.
        const double tonePower = sending.amplitude * sending.amplitude / 2;
        const double density = tonePower / std::pow(10.0, *sending.snrDb / 10) / 2500.0;
        const double sigma = std::sqrt(density * rate / 2.0);
        for (float& v : out)
            v += static_cast<float>(sigma * gauss(random));
    }
    return out;
}

} // namespace morse
