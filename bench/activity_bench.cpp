// The look at a capture under way, as the listener takes it: a 25 s capture
// at 48 kHz stereo (a slow message in noise, then noise) arriving in 10 ms
// parts, looked at every 250 ms. Prints the processor time of each look (the
// parts measured since the one before, and the answer) against a look over
// the whole capture so far, at 5 s steps of the capture. Target: no look
// takes over a millisecond.
#include "morse/Activity.h"
#include "morse/Keyer.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <span>
#include <vector>

namespace
{

constexpr int rate = 48000, channels = 2, partFrames = rate / 100, lookFrames = rate / 4;
constexpr double seconds = 25;

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return 1e3 * static_cast<double>(ts.tv_sec) + 1e-6 * static_cast<double>(ts.tv_nsec);
}

std::vector<float> capture()
{
    std::mt19937 random(1);
    const morse::Sending sending{.wpm = 10, .snrDb = 3.0, .leadSeconds = 2, .tailSeconds = seconds};
    std::vector<float> mono = morse::keyed("14060.00", sending, rate, random);
    mono.resize(static_cast<size_t>(seconds * rate));
    std::vector<float> out;
    for (const float v : mono)
        out.insert(out.end(), channels, std::clamp(v, -1.0f, 1.0f));
    return out;
}

} // namespace

int main()
{
    const std::vector<float> samples = capture();
    const std::span<const float> all(samples);
    morse::ActivityMeter meter;
    double worst = 0, total = 0;
    int looks = 0;
    std::printf("%9s  %5s  %9s  %12s  %13s\n", "capture s", "tone", "quiet s", "look ms", "whole look ms");
    for (size_t at = 0; at < samples.size();) {
        const size_t end = std::min(samples.size(), at + static_cast<size_t>(lookFrames * channels));
        const double start = cpuMs();
        for (; at < end; at += partFrames * channels)
            meter.add(all.subspan(at, std::min<size_t>(partFrames * channels, end - at)), rate, channels);
        const morse::Activity now = meter.now();
        const double ms = cpuMs() - start;
        worst = std::max(worst, ms);
        total += ms;
        ++looks;
        if (looks % 20 == 0) {
            const double wholeStart = cpuMs();
            morse::ActivityMeter whole;
            whole.add(all.first(end), rate, channels);
            (void)whole.now();
            std::printf("%9.1f  %5s  %9.2f  %12.3f  %13.2f\n", static_cast<double>(end) / (rate * channels),
                        now.tone ? "yes" : "no", now.quietSeconds, ms, cpuMs() - wholeStart);
        }
    }
    std::printf("\n%d looks: mean %.3f ms, worst %.3f ms\n%s\n", looks, total / looks, worst,
                worst < 1 ? "target met" : "TARGET MISSED");
    return worst < 1 ? 0 : 1;
}
