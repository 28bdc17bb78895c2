// The Morse decoder on generated messages: a rig's annunciations in the long
// ("7030.05") and short ("030.05") forms, alone, after a label ("F", "FREQ",
// "R") or before a closing sign ("K", "<AR>"); off the rig's grid
// ("3524.14"); and other traffic ("73 73", "RST 599", "5NN TU", "CQ DE W1AW",
// groups of figures that are no frequency). 20 % timing jitter (a standard
// deviation, or with --even-jitter a bound every length keeps within), white
// Gaussian noise at each signal-to-noise ratio (tone power over noise power in
// 2500 Hz), over a grid of speeds (12 to 40 WPM), pitches (300 to 1200 Hz)
// and fading; then noise alone, music, babble and other Morse traffic. Prints,
// per SNR, the character error rate, the share of whole messages read right
// and trusted, how many trusted readings named another frequency than the
// rig's (the short forms completed from a record drifted up to 2 kHz from the
// rig; for any message that is no frequency on the grid, any frequency), how
// many of those would pass for agreement, and the decode time; then the
// decode time of the longest message. See --help.
#include "hear/Verdict.h"
#include "morse/Code.h"
#include "morse/Decoder.h"
#include "morse/Keyer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr int rates[] = {8000, 16000, 44100, 48000};

// A message as sent and a record drifted by up to 2 kHz from the rig: what
// the verdict completes a short form from. rigHz is 0 for a message that
// names no frequency the rig can be on.
struct Annunciation {
    int64_t rigHz = 0, recordHz = 0;
    std::string text;
};

template <size_t N> const char* pick(std::mt19937& random, const char* const (&from)[N])
{
    return from[std::uniform_int_distribution<size_t>(0, N - 1)(random)];
}

// Kinds, by m % 8: 0 long, 1 short, 2 label and long, 3 label and short,
// 4 long or short and closing, 5 off the grid, 6 other traffic, 7 figures.
Annunciation randomMessage(std::mt19937& random, int kind)
{
    std::uniform_int_distribution<int> fifties(3500 * 20, 14350 * 20), drift(-40, 40), digit(0, 9);
    Annunciation a;
    a.rigHz = fifties(random) * 50LL;
    a.recordHz = a.rigHz + drift(random) * 50LL;
    a.text = hear::kHzText(a.rigHz, 2);
    const std::string shortForm = a.text.substr(a.text.find('.') - 3);
    static const char* const labels[] = {"F", "FREQ", "R"};
    static const char* const closings[] = {"K", "<AR>"};
    static const char* const traffic[] = {"73 73", "RST 599", "5NN TU", "CQ DE W1AW"};
    switch (kind) {
    case 1:
        a.text = shortForm;
        break;
    case 2:
    case 3:
        a.text = std::string(pick(random, labels)) + " " + (kind == 3 ? shortForm : a.text);
        break;
    case 4:
        a.text = (digit(random) % 2 ? shortForm : a.text) + " " + pick(random, closings);
        break;
    case 5: { // 10 Hz off the grid, or 20
        const int64_t off = a.rigHz + (digit(random) % 2 ? 10 : -20);
        a.text = hear::kHzText(off, 2);
        a.rigHz = 0;
        break;
    }
    case 6:
        a.text = pick(random, traffic);
        a.rigHz = 0;
        break;
    case 7: { // a group of two or three figures, or two groups
        a.text.clear();
        const int groups = 1 + digit(random) % 2;
        for (int g = 0; g < groups; ++g) {
            if (g > 0)
                a.text += ' ';
            const int figures = groups == 2 ? 4 : 2 + digit(random) % 2;
            for (int f = 0; f < figures; ++f)
                a.text += static_cast<char>('0' + digit(random));
        }
        a.rigHz = 0;
        break;
    }
    default:
        break;
    }
    return a;
}

// Other traffic, none of it a frequency: calls, reports, courtesies.
std::string randomTraffic(std::mt19937& random)
{
    static const char* const words[] = {"CQ",  "DE", "W1AW", "K3LR", "G4ABC",  "UR",   "RST",  "579",
                                        "5NN", "TU", "73",   "QTH",  "BOSTON", "NAME", "JIM",  "OP",
                                        "GM",  "FB", "R",    "<KN>", "<SK>",   "?",    "QRZ?", "599"};
    std::string text;
    const int count = 3 + std::uniform_int_distribution<int>(0, 3)(random);
    for (int w = 0; w < count; ++w)
        text += std::string(w > 0 ? " " : "") + pick(random, words);
    return text;
}

int editDistance(const std::string& a, const std::string& b)
{
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (size_t j = 1; j <= b.size(); ++j) {
            const int up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

bool trusted(const hear::Verdict& v)
{
    return v.finding == hear::Finding::Agrees || v.finding == hear::Finding::Differs;
}

bool trustedFrequency(const morse::Heard& heard)
{
    return trusted(hear::reconcile(heard.text, heard.confidence, 7'040'000));
}

struct Tally {
    int messages = 0, right = 0, frequencies = 0, located = 0, trustedWrong = 0, agreedWrong = 0,
        charErrors = 0, chars = 0;
    std::vector<double> millis;
    // Right: the whole message read and trusted. Located: of the messages
    // that name the rig's frequency, a trusted verdict that names it, leading
    // digits left to the record or not. Wrong: a trusted verdict that names
    // another, or any for a message that names none the rig can be on.
    void add(const Annunciation& sent, const morse::Heard& heard, double ms)
    {
        ++messages;
        const hear::Verdict v = hear::reconcile(heard.text, heard.confidence, sent.recordHz);
        right += heard.text == sent.text && heard.confidence >= hear::trusted;
        frequencies += sent.rigHz != 0;
        located += trusted(v) && v.rigHz == sent.rigHz;
        trustedWrong += trusted(v) && v.rigHz != sent.rigHz;
        agreedWrong += v.finding == hear::Finding::Agrees && v.rigHz != sent.rigHz;
        charErrors += editDistance(sent.text, heard.text);
        chars += static_cast<int>(sent.text.size());
        millis.push_back(ms);
    }
    double percentile(double p)
    {
        std::sort(millis.begin(), millis.end());
        return millis[std::min(millis.size() - 1,
                               static_cast<size_t>(p * static_cast<double>(millis.size())))];
    }
};

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

double mean(const std::vector<double>& v)
{
    double s = 0;
    for (const double x : v)
        s += x;
    return v.empty() ? 0 : s / static_cast<double>(v.size());
}

morse::Heard timedDecode(const std::vector<float>& samples, int rate, double& ms)
{
    // Processor time: the machine may be busy with other work.
    const double start = cpuSeconds();
    morse::Heard heard = morse::decode(samples, rate);
    ms = (cpuSeconds() - start) * 1e3;
    return heard;
}

// The marks of a message as sent, against the noise it was sent in. `clean`:
// the same message without noise, `noisy` with it.
struct MarkStrength {
    // The weakest mark's energy per dit over the noise's density (Eb/N0,
    // not in dB): a fade's trough, where a mark is hardest to tell from a gap.
    double weakest = 1e300;
    // Whether, to a reader that knows all but the noise (each mark's phase,
    // level and timing), every dit stands out of a gap there, and every dah
    // out of a dit, by the 6 nats a character must win by to be trusted,
    // each by its own samples.
    bool everyMarkSure = true;
};
MarkStrength strengthOf(const std::vector<float>& clean, const std::vector<float>& noisy, int rate,
                        const morse::Sending& sending)
{
    const double density =
        sending.amplitude * sending.amplitude / 2 / std::pow(10.0, *sending.snrDb / 10) / 2500.0;
    const double variance = density * rate / 2;
    const double ditSamples = morse::ditSeconds(sending.wpm) * rate;
    MarkStrength out;
    // Log-likelihood ratio, sample by sample, of the mark against a gap.
    std::vector<double> evidence{0};
    for (size_t n = 0; n < clean.size();) {
        if (clean[n] == 0) {
            ++n;
            continue;
        }
        const size_t start = n;
        evidence.resize(1);
        double energy = 0;
        // A mark's samples cross zero now and then: it ends at a run of a
        // quarter of a dit without any.
        size_t quiet = 0;
        for (; n < clean.size() && quiet < ditSamples / 4; ++n) {
            const double s = clean[n], noise = static_cast<double>(noisy[n]) - s;
            evidence.push_back(evidence.back() + (s * s + 2 * noise * s) / (2 * variance));
            energy += s * s;
            quiet = clean[n] == 0 ? quiet + 1 : 0;
        }
        const size_t length = n - quiet - start;
        const double dits = std::max(1.0, std::round(static_cast<double>(length) / ditSamples));
        out.weakest = std::min(out.weakest, energy / rate / dits / density);
        // A dah against a dit at either end of it: what tells them apart is the rest.
        const size_t third = length / 3;
        const double sure = dits < 2 ? evidence[length]
                                     : std::min(evidence[length] - evidence[third], evidence[length - third]);
        out.everyMarkSure = out.everyMarkSure && sure >= 6;
    }
    return out;
}

// Whole messages read right, by their weakest mark (MarkStrength). Known
// to the last detail (phase, level, timing), a mark of Eb/N0 x (linear)
// tells itself from a gap by x nats on average: one under 6 (7.8 dB) carries
// less than a character must win by to be trusted.
struct ByWeakest {
    static constexpr double edges[] = {3, 6, 12, 24}; // nats
    int messages[std::size(edges) + 1] = {}, right[std::size(edges) + 1] = {},
                                    sure[std::size(edges) + 1] = {};

    void add(const MarkStrength& m, bool isRight)
    {
        size_t bin = 0;
        while (bin < std::size(edges) && m.weakest >= edges[bin])
            ++bin;
        ++messages[bin];
        right[bin] += isRight;
        sure[bin] += m.everyMarkSure;
    }
    void print() const
    {
        std::printf("\n%-28s  %8s  %7s  %17s\n", "Weakest mark, Eb/N0", "messages", "right %",
                    "every mark sure %");
        const auto db = [](double nats) { return 10 * std::log10(nats); };
        for (size_t b = 0; b <= std::size(edges); ++b) {
            char label[48];
            if (b == 0)
                std::snprintf(label, sizeof label, "under %.1f dB (%.0f nats)", db(edges[0]), edges[0]);
            else if (b == std::size(edges))
                std::snprintf(label, sizeof label, "%.1f dB (%.0f nats) and more", db(edges[b - 1]),
                              edges[b - 1]);
            else
                std::snprintf(label, sizeof label, "%.1f to %.1f dB (%.0f to %.0f)", db(edges[b - 1]),
                              db(edges[b]), edges[b - 1], edges[b]);
            const double share = std::max(messages[b], 1);
            std::printf("%-28s  %8d  %7.1f  %17.1f\n", label, messages[b], 100.0 * right[b] / share,
                        100.0 * sure[b] / share);
        }
    }
};

// A melody of random notes with harmonics, legato, 150..400 ms each.
std::vector<float> music(std::mt19937& random, int rate, double seconds)
{
    std::uniform_real_distribution<double> note(48, 84), length(0.15, 0.4);
    std::vector<float> out(static_cast<size_t>(seconds * rate));
    double phase = 0, f = 440, left = 0;
    for (float& v : out) {
        if ((left -= 1.0 / rate) <= 0) {
            f = 440 * std::pow(2.0, (note(random) - 69) / 12);
            left = length(random);
        }
        phase += 2 * std::numbers::pi * f / rate;
        v = static_cast<float>(0.3 * std::sin(phase) + 0.15 * std::sin(2 * phase) +
                               0.08 * std::sin(3 * phase));
    }
    return out;
}

// Speech-like babble: a glottal pulse train of gliding pitch through two
// resonances, in syllables of about 200 ms, with pauses.
std::vector<float> babble(std::mt19937& random, int rate, double seconds)
{
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<float> out(static_cast<size_t>(seconds * rate));
    double pulse = 0, y1[2] = {0, 0}, y2[2] = {0, 0}, syllable = 0, f1 = 500, f2 = 1500, voiced = 1;
    for (size_t n = 0; n < out.size(); ++n) {
        const double t = static_cast<double>(n) / rate;
        if ((syllable -= 1.0 / rate) <= 0) {
            syllable = 0.12 + 0.2 * u(random);
            f1 = 300 + 600 * u(random);
            f2 = 900 + 1500 * u(random);
            voiced = u(random) < 0.8 ? 1 : 0;
        }
        const double pitch = 110 + 30 * std::sin(2 * std::numbers::pi * 0.7 * t);
        pulse += pitch / rate;
        double x = 0;
        if (pulse >= 1) {
            pulse -= 1;
            x = voiced;
        }
        double y = 0;
        const double fs[2] = {f1, f2};
        for (int r = 0; r < 2; ++r) {
            const double w = 2 * std::numbers::pi * fs[r] / rate, radius = 0.97;
            const double v = x + 2 * radius * std::cos(w) * y1[r] - radius * radius * y2[r];
            y2[r] = y1[r];
            y1[r] = v;
            y += v;
        }
        out[n] = static_cast<float>(0.05 * y * std::sin(std::numbers::pi * std::fmod(t, 0.25) / 0.25));
    }
    return out;
}

void usage()
{
    std::puts(
        "usage: corvane_morse_bench [--messages N] [--seed N] [--snr DB] [--jitter J] [--even-jitter]\n"
        "                           [--fresh-phase] [--by-weakest] [--verbose]\n"
        "  --messages N  messages per condition (default 16): 4 speeds x 3 pitches x fading off/on\n"
        "  --seed N      the generator's seed (default 1)\n"
        "  --snr DB      only this signal-to-noise ratio\n"
        "  --jitter J    each mark's and gap's length strays by J, relative (default 0.2)\n"
        "  --even-jitter each length anywhere within J of its own, evenly (else J is a standard deviation)\n"
        "  --fresh-phase each mark at a random phase, as from a sidetone started at every key-down\n"
        "  --by-weakest  also the messages read right by their weakest mark's energy (a fade's trough)\n"
        "  --verbose     print every message read wrong, and each condition's figures");
}

constexpr double speeds[] = {12, 20, 30, 40};
constexpr double pitches[] = {300, 700, 1200};

} // namespace

int main(int argc, char** argv)
{
    int perCondition = 16;
    unsigned seed = 1;
    bool verbose = false, freshPhase = false, evenJitter = false, byWeakest = false;
    double jitter = 0.2;
    std::vector<double> snrs{20.0, 10.0, 6.0, 3.0, 0.0, -3.0, -6.0, -9.0, -12.0, -15.0};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--messages") && i + 1 < argc)
            perCondition = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--by-weakest"))
            byWeakest = true;
        else if (!std::strcmp(argv[i], "--verbose"))
            verbose = true;
        else if (!std::strcmp(argv[i], "--even-jitter"))
            evenJitter = true;
        else if (!std::strcmp(argv[i], "--fresh-phase"))
            freshPhase = true;
        else if (!std::strcmp(argv[i], "--snr") && i + 1 < argc)
            snrs = {std::atof(argv[++i])};
        else if (!std::strcmp(argv[i], "--jitter") && i + 1 < argc)
            jitter = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc)
            seed = static_cast<unsigned>(std::atoi(argv[++i]));
        else {
            usage();
            return !std::strcmp(argv[i], "--help") ? 0 : 2;
        }
    }
    std::mt19937 random(seed);
    const int cells = static_cast<int>(std::size(speeds) * std::size(pitches)) * 2;
    std::printf(
        "Each SNR: %d messages (speeds 12/20/30/40 WPM x pitches 300/700/1200 Hz x fading off/on x %d),\n"
        "%.0f %% jitter (%s), rates 8/16/44.1/48 kHz%s;\n"
        "of every eight: long, short, label and long, label and short, closing sign, off the grid,\n"
        "other traffic, figures that are no frequency.\n"
        "'right': read whole and trusted ('worst': the worst condition); 'freq': of the messages that name\n"
        "the rig's frequency, the panel names it (leading digits perhaps from the record, which is up to\n"
        "2 kHz off); 'wrong trusted': it names another, or one where the message names none the rig can be\n"
        "on; 'agrees': of those, the ones it would say the record agrees with.\n\n",
        cells * perCondition, perCondition, 100 * jitter,
        evenJitter ? "each length anywhere within it" : "standard deviation",
        freshPhase ? ", each mark at a fresh phase" : "");
    std::printf("%7s  %6s  %7s  %6s  %8s  %8s  %7s  %13s  %6s  %6s  %6s  %6s\n", "SNR dB", "CER %", "right %",
                "freq %", "steady %", "fading %", "worst %", "wrong trusted", "agrees", "cpu ms", "ms p95",
                "ms max");
    bool failed = false;
    ByWeakest weakest;
    for (const double snr : snrs) {
        Tally all, steady, faded;
        double worst = 1;
        for (const double wpm : speeds)
            for (const double pitch : pitches)
                for (const bool fading : {false, true}) {
                    Tally cell;
                    for (int m = 0; m < perCondition; ++m) {
                        const Annunciation sent = randomMessage(random, m % 8);
                        const int rate = rates[static_cast<size_t>(m / 2) % std::size(rates)];
                        morse::Sending sending;
                        sending.pitchHz = pitch;
                        sending.wpm = wpm;
                        sending.jitter = jitter;
                        sending.evenJitter = evenJitter;
                        sending.fading = fading;
                        sending.freshPhase = freshPhase;
                        sending.snrDb = snr;
                        sending.leadSeconds =
                            0.2 + 0.5 * std::uniform_real_distribution<double>(0, 1)(random);
                        std::mt19937 same = random;
                        const std::vector<float> samples = morse::keyed(sent.text, sending, rate, random);
                        double ms = 0;
                        const morse::Heard heard = timedDecode(samples, rate, ms);
                        const int wrongBefore = cell.trustedWrong, rightBefore = cell.right;
                        cell.add(sent, heard, ms);
                        if (byWeakest) {
                            // Noise is drawn last: the same draws without it give the clean message.
                            morse::Sending clean = sending;
                            clean.snrDb.reset();
                            weakest.add(strengthOf(morse::keyed(sent.text, clean, rate, same), samples, rate,
                                                   sending),
                                        cell.right > rightBefore);
                        }
                        if (verbose && (heard.text != sent.text || heard.confidence < hear::trusted))
                            std::printf("  %s%+.0f dB %2.0f WPM %4.0f Hz %s %5d Hz: sent %-14s heard %-14s "
                                        "(%.2f, %.1f WPM, %.1f Hz)\n",
                                        cell.trustedWrong > wrongBefore ? "WRONG " : "", snr, wpm, pitch,
                                        fading ? "fading" : "steady", rate, ("'" + sent.text + "'").c_str(),
                                        ("'" + heard.text + "'").c_str(), heard.confidence, heard.wpm,
                                        heard.pitchHz);
                        all.add(sent, heard, ms);
                        (fading ? faded : steady).add(sent, heard, ms);
                    }
                    worst = std::min(worst, static_cast<double>(cell.right) / cell.messages);
                    if (verbose)
                        std::printf("  %+.0f dB %2.0f WPM %4.0f Hz %s: %.1f %% right, %.1f %% freq, %d wrong "
                                    "trusted\n",
                                    snr, wpm, pitch, fading ? "fading" : "steady",
                                    100.0 * cell.right / cell.messages,
                                    100.0 * cell.located / std::max(cell.frequencies, 1), cell.trustedWrong);
                }
        std::printf("%7.0f  %6.2f  %7.1f  %6.1f  %8.1f  %8.1f  %7.1f  %13d  %6d  %6.1f  %6.1f  %6.1f\n", snr,
                    100.0 * all.charErrors / all.chars, 100.0 * all.right / all.messages,
                    100.0 * all.located / all.frequencies, 100.0 * steady.right / steady.messages,
                    100.0 * faded.right / faded.messages, 100.0 * worst, all.trustedWrong, all.agreedWrong,
                    mean(all.millis), all.percentile(0.95), all.percentile(1.0));
        std::fflush(stdout);
        failed |=
            (snr >= 0 && worst < 0.99) || (snr >= -6 && worst < 0.95) || (snr >= -9 && all.trustedWrong > 0);
    }
    if (byWeakest)
        weakest.print();
    std::puts("");
    std::printf("%-22s  %9s  %15s\n", "No frequency", "clips", "trusted as freq");
    for (const char* what : {"noise alone", "music", "babble", "silence", "other Morse"}) {
        int trustedCount = 0;
        const int clips = cells * perCondition / 4;
        for (int i = 0; i < clips; ++i) {
            const int rate = rates[static_cast<size_t>(i) % std::size(rates)];
            std::vector<float> samples;
            std::string sent;
            if (!std::strcmp(what, "music")) {
                samples = music(random, rate, 8);
            } else if (!std::strcmp(what, "babble")) {
                samples = babble(random, rate, 8);
            } else if (!std::strcmp(what, "other Morse")) {
                sent = randomTraffic(random);
                morse::Sending sending;
                sending.wpm = speeds[static_cast<size_t>(i) % std::size(speeds)];
                sending.pitchHz = 300 + 900 * std::uniform_real_distribution<double>(0, 1)(random);
                sending.jitter = jitter;
                sending.evenJitter = evenJitter;
                sending.fading = i % 2;
                sending.snrDb = 20 - 3 * (i % 10);
                samples = morse::keyed(sent, sending, rate, random);
            } else {
                morse::Sending quiet;
                quiet.amplitude = !std::strcmp(what, "silence") ? 0.0 : 1e-9;
                quiet.snrDb = !std::strcmp(what, "silence") ? std::nullopt : std::optional<double>(-170);
                quiet.leadSeconds = 8;
                samples = morse::keyed("", quiet, rate, random);
            }
            const morse::Heard h = morse::decode(samples, rate);
            if (verbose && trustedFrequency(h))
                std::printf("  %s %d Hz: sent '%s' heard '%s' (%.2f, %.1f WPM, %.1f Hz)\n", what, rate,
                            sent.c_str(), h.text.c_str(), h.confidence, h.wpm, h.pitchHz);
            trustedCount += trustedFrequency(h);
        }
        std::printf("%-22s  %9d  %15d\n", what, clips, trustedCount);
        failed |= trustedCount > 0;
    }
    // The longest message the corpus holds, at the slowest speed and the highest rate.
    const char* longest = "FREQ 14060.00 <AR>";
    std::vector<double> millis;
    for (int i = 0; i < 5; ++i) {
        morse::Sending sending;
        sending.wpm = 12;
        sending.jitter = jitter;
        sending.evenJitter = evenJitter;
        sending.fading = true;
        sending.snrDb = -6;
        const std::vector<float> samples = morse::keyed(longest, sending, 48000, random);
        double ms = 0;
        timedDecode(samples, 48000, ms);
        millis.push_back(ms);
    }
    std::sort(millis.begin(), millis.end());
    std::printf("\nLongest message '%s' at 12 WPM, 48 kHz: %.1f ms (median of 5, processor time)\n", longest,
                millis[2]);
    failed |= millis[2] > 50;
    std::printf("\n%s\n", failed ? "TARGETS MISSED" : "targets met");
    return failed ? 1 : 0;
}
