// The decoder on generated annunciations, one row per hard case, the look at
// a capture under way, and the rules that set a reading against the record.
#include "hear/Verdict.h"
#include "morse/Activity.h"
#include "morse/Code.h"
#include "morse/Decoder.h"
#include "morse/Keyer.h"
#include "support/RowName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <random>

namespace
{

struct DecodeRow {
    const char* proves;
    const char* sent;
    double wpm, pitchHz, jitter;
    bool fading;
    std::optional<double> snrDb;
    int rate, channels;
    double gain;       // before clipping to full scale
    const char* reads; // read so and trusted; nullptr: no trusted frequency at all
    double leadSeconds = 3;
    bool freshPhase = false;
    unsigned seed = 7;
};

const DecodeRow decodeRows[] = {
    {"Slowest and lowest at 8 kHz", "7030.05", 10, 300, 0, false, std::nullopt, 8000, 1, 1, "7030.05"},
    {"Fastest and highest at 48 kHz stereo", "14060.00", 40, 1200, 0, false, 20.0, 48000, 2, 1, "14060.00"},
    {"A hand keyer's jitter at 16 kHz", "3560.50", 20, 700, 0.1, false, 10.0, 16000, 1, 1, "3560.50"},
    {"Slow fading at 0 dB", "030.05", 20, 700, 0.1, true, 0.0, 44100, 1, 1, "030.05"},
    {"The noise floor at -6 dB", "10116.35", 25, 550, 0.1, false, -6.0, 8000, 1, 1, "10116.35"},
    {"A weak second decimal, and nothing after it", "10116.35", 30, 900, 0.1, false, -3.0, 16000, 1, 1,
     "10116.35"},
    {"Fading at 30 WPM, read with the phase the marks keep", "030.05", 30, 500, 0.1, true, -7.0, 16000, 1, 1,
     "030.05"},
    {"A sidetone started afresh at each mark", "030.05", 30, 500, 0.1, true, -3.0, 16000, 1, 1, "030.05", 3,
     true},
    {"A clipped input", "7040.20", 18, 800, 0, false, 20.0, 48000, 1, 8, "7040.20"},
    {"A label and a closing letter, apart by word gaps", "F 7040.2 K", 20, 700, 0.1, false, 6.0, 16000, 1, 1,
     "F 7040.2 K"},
    {"A short form after a label, a prosign after it, fading", "R 040.2 <AR>", 30, 500, 0.1, true, 6.0, 16000,
     1, 1, "R 040.2 <AR>"},
    {"A second decimal off the grid, read as sent", "3524.14", 25, 900, 0.1, false, -3.0, 8000, 1, 1,
     "3524.14"},
    {"Other traffic: letters, punctuation, prosigns", "CQ DE W1AW/P? <KN> <SK> <BT>", 15, 400, 0.1, false,
     10.0, 16000, 1, 1, "CQ DE W1AW/P? <KN> <SK> <BT>"},
    {"A word gap sent little longer than one between characters, beside a point", "R 658.80", 30, 700, 0.2,
     false, 10.0, 16000, 1, 1, "R 658.80", 3, false, 1},
    {"A label weaker than any figure may be, though not too weak to read", "R 3599.55", 40, 700, 0.1, false,
     -6.0, 16000, 1, 1, "R 3599.55", 3, false, 21},
    {"A label that lost its first letter in a fade is left out whole, never shown cut", "FREQ 442.20", 20,
     700, 0.1, true, -6.0, 16000, 1, 1, "442.20", 3, false, 9},
    {"Two groups of figures", "73 73", 12, 1100, 0.1, false, 3.0, 44100, 1, 1, "73 73"},
    {"Far below the noise", "7040.20", 20, 700, 0.1, false, -20.0, 16000, 1, 1, nullptr},
    {"Cut off by the start, three digits before the point", "7040.20", 20, 700, 0, false, 10.0, 16000, 1, 1,
     "7040.20", 0},
    {"Cut off by the start, two digits before the point", "40.20", 20, 700, 0, false, 10.0, 16000, 1, 1,
     nullptr, 0},
    {"A fragment of two characters", "70", 20, 700, 0, false, 10.0, 16000, 1, 1, nullptr},
    {"Two figures of many marks are no fragment", "73", 20, 700, 0.1, false, 3.0, 16000, 1, 1, "73"},
    {"Noise alone", "", 20, 700, 0, false, -20.0, 48000, 1, 0, nullptr},
    {"Silence", "", 20, 700, 0, false, std::nullopt, 8000, 1, 0, nullptr},
};

class Decode : public ::testing::TestWithParam<DecodeRow>
{
};

TEST_P(Decode, ReadsTheWholeMessageOrNothingTrusted)
{
    const DecodeRow& row = GetParam();
    std::mt19937 random(row.seed);
    morse::Sending sending;
    sending.pitchHz = row.pitchHz;
    sending.wpm = row.wpm;
    sending.jitter = row.jitter;
    sending.fading = row.fading;
    sending.freshPhase = row.freshPhase;
    sending.snrDb = row.snrDb;
    sending.leadSeconds = row.leadSeconds;
    sending.amplitude = 0.5 * row.gain;
    std::vector<float> mono = morse::keyed(row.sent, sending, row.rate, random);
    if (row.gain == 0) // no tone at all: the noise of a tone that is not there
        mono = morse::keyed("", {.amplitude = 0.01, .snrDb = row.snrDb, .leadSeconds = 6}, row.rate, random);
    std::vector<float> samples;
    for (const float v : mono)
        for (int c = 0; c < row.channels; ++c)
            samples.push_back(std::clamp(v, -1.0f, 1.0f));

    const morse::Heard heard = morse::decode(samples, row.rate, row.channels);
    const hear::Verdict verdict = hear::reconcile(heard.text, heard.confidence, 7'040'000);
    if (row.reads) {
        EXPECT_EQ(heard.text, row.reads);
        EXPECT_GE(heard.confidence, hear::trusted);
        EXPECT_NEAR(heard.pitchHz, row.pitchHz, 3);
    } else {
        EXPECT_TRUE(verdict.finding != hear::Finding::Agrees && verdict.finding != hear::Finding::Differs)
            << heard.text << " at " << heard.confidence;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Decode, ::testing::ValuesIn(decodeRows), RowName());

// A faint character keyed just before the message, too weak to be sure of:
// with four digits behind it before the point, it is left to the record.
TEST(Decode, LeavesADoubtfulLeadingDigitToTheRecord)
{
    std::mt19937 random(5);
    morse::Sending faint;
    faint.amplitude = 0.5 * std::pow(10.0, -16.0 / 20);
    faint.leadSeconds = 1;
    faint.tailSeconds = 0;
    std::vector<float> samples = morse::keyed("8", faint, 16000, random);
    morse::Sending strong;
    strong.snrDb = 3.0;
    strong.leadSeconds = 0.18;
    const std::vector<float> message = morse::keyed("7040.20", strong, 16000, random);
    morse::Sending noise = strong; // the message's noise, under the faint character too
    noise.leadSeconds = static_cast<double>(samples.size()) / 16000;
    noise.tailSeconds = 0;
    const std::vector<float> under = morse::keyed("", noise, 16000, random);
    for (size_t i = 0; i < samples.size() && i < under.size(); ++i)
        samples[i] += under[i];
    samples.insert(samples.end(), message.begin(), message.end());

    const morse::Heard heard = morse::decode(samples, 16000);
    EXPECT_EQ(heard.text, "7040.20");
    EXPECT_GE(heard.confidence, hear::trusted);
}

// A broken capture's samples that are no number, or far beyond full scale,
// cost what they cover and nothing more.
TEST(Decode, ReadsPastSamplesThatAreNoNumber)
{
    std::mt19937 random(7);
    morse::Sending sending;
    sending.snrDb = 10.0;
    sending.leadSeconds = 1;
    std::vector<float> samples = morse::keyed("7040.20", sending, 16000, random);
    samples[100] = std::numeric_limits<float>::quiet_NaN();
    samples[200] = std::numeric_limits<float>::infinity();
    samples[300] = 1e30f;
    EXPECT_EQ(morse::decode(samples, 16000).text, "7040.20");
}

// A keyer straying by 20 % sends the word gap of "73 73" now and then no
// longer than a long gap between characters: "7373" may be shown as heard,
// but never trusted as a frequency. (These seeds' word gaps were read so.)
TEST(Decode, TrustsNoFrequencyJoinedFromTwoWordsOfFigures)
{
    for (const unsigned seed : {6u, 35u}) {
        std::mt19937 random(seed);
        morse::Sending sending;
        sending.wpm = 30;
        sending.jitter = 0.2;
        sending.snrDb = 10.0;
        sending.leadSeconds = 3;
        const morse::Heard heard = morse::decode(morse::keyed("73 73", sending, 16000, random), 16000);
        const hear::Finding finding = hear::reconcile(heard.text, heard.confidence, 7'040'000).finding;
        EXPECT_TRUE(finding != hear::Finding::Agrees && finding != hear::Finding::Differs)
            << "seed " << seed << ": " << heard.text << " at " << heard.confidence;
    }
}

struct ActivityRow {
    const char* proves;
    const char* sent; // empty: noise alone
    int rate, channels;
    double snrDb, tailSeconds;
    int formerRate; // 0, or first a tone at this rate, which the change of format must forget
};

const ActivityRow activityRows[] = {
    {"A message then quiet at 48 kHz stereo", "7040.20", 48000, 2, 10, 1.5, 0},
    {"A weak message just over at 44.1 kHz", "030.05", 44100, 1, -6, 0.1, 0},
    {"Noise alone after a tone in another format", "", 16000, 1, -20, 0, 8000},
};

class Listening : public ::testing::TestWithParam<ActivityRow>
{
};

TEST_P(Listening, FedInPartsTellsWhatTheWholeTells)
{
    const ActivityRow& row = GetParam();
    const bool tone = *row.sent != 0;
    std::mt19937 random(3);
    const std::vector<float> mono =
        tone ? morse::keyed(row.sent, {.snrDb = row.snrDb, .tailSeconds = row.tailSeconds}, row.rate, random)
             : morse::keyed("", {.amplitude = 0.01, .snrDb = row.snrDb, .leadSeconds = 3}, row.rate, random);
    std::vector<float> samples;
    for (const float v : mono)
        samples.insert(samples.end(), static_cast<size_t>(row.channels), v);

    morse::ActivityMeter parts, whole;
    morse::Narrowing narrowing(row.rate, row.channels);
    std::vector<float> narrowedInParts;
    if (row.formerRate)
        parts.add(morse::keyed("55", {}, row.formerRate, random), row.formerRate);
    const size_t frames[] = {1, 37, 480, 1024, 4801};
    for (size_t at = 0, i = 0; at < samples.size(); ++i) {
        const std::span part =
            std::span(samples).subspan(at, std::min(samples.size() - at, frames[i % 5] * row.channels));
        parts.add(part, row.rate, row.channels);
        narrowing.add(part, narrowedInParts);
        at += part.size();
    }
    whole.add(samples, row.rate, row.channels);
    std::vector<float> narrowedWhole;
    morse::Narrowing(row.rate, row.channels).add(samples, narrowedWhole);

    EXPECT_EQ(narrowedInParts, narrowedWhole);
    const morse::Activity heard = parts.now();
    EXPECT_EQ(heard.tone, tone);
    EXPECT_EQ(whole.now().tone, tone);
    EXPECT_NEAR(heard.quietSeconds, whole.now().quietSeconds, 0.025); // within a step
    if (tone) { // the last mark's three 20 ms steps may reach two steps into the quiet
        EXPECT_NEAR(heard.quietSeconds, row.tailSeconds - 0.04, 0.03);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Listening, ::testing::ValuesIn(activityRows), RowName());

struct VerdictRow {
    const char* proves;
    const char* heard;
    double confidence;
    int64_t recordHz;
    const char* recordText;
    hear::Finding finding;
    const char* line;
};

using hear::Finding;

const VerdictRow verdictRows[] = {
    {"Long form agrees", "7040.20", 1, 7'040'200, "7040.2", Finding::Agrees,
     "Heard '7040.20': the record agrees"},
    {"Short form takes the record's leading digits", "040.2", 1, 7'040'200, "7040.2", Finding::Agrees,
     "Heard '040.2': the rig is at 7040.2 kHz; the record agrees"},
    {"Short form differs", "041.0", 1, 7'040'200, "7040.2", Finding::Differs,
     "Heard '041.0': the rig is at 7041.0 kHz; the record says 7040.2 (800 Hz apart)"},
    {"One unit of the last digit still agrees", "7040.2", 1, 7'040'300, "7040.3", Finding::Agrees,
     "Heard '7040.2': the record agrees"},
    {"Past one unit differs", "7040.2", 1, 7'040'350, "7040.35", Finding::Differs,
     "Heard '7040.2': the rig is at 7040.2 kHz; the record says 7040.35 (150 Hz apart)"},
    {"Hundredths are a unit of 10 Hz", "7040.25", 1, 7'040'300, "7040.3", Finding::Differs,
     "Heard '7040.25': the rig is at 7040.25 kHz; the record says 7040.3 (50 Hz apart)"},
    {"Short form across a hundred kHz", "100.05", 1, 7'099'950, "7099.95", Finding::Differs,
     "Heard '100.05': the rig is at 7100.05 kHz; the record says 7099.95 (100 Hz apart)"},
    {"Short form completed downwards across a thousand kHz", "999.8", 1, 7'000'100, "7000.1",
     Finding::Differs, "Heard '999.8': the rig is at 6999.8 kHz; the record says 7000.1 (300 Hz apart)"},
    {"Short form completed upwards across a thousand kHz", "000.2", 1, 6'999'900, "6999.9", Finding::Differs,
     "Heard '000.2': the rig is at 7000.2 kHz; the record says 6999.9 (300 Hz apart)"},
    {"Short form on a five digit band", "060.00", 1, 14'060'000, "14060", Finding::Agrees,
     "Heard '060.00': the rig is at 14060.00 kHz; the record agrees"},
    {"Far apart in kHz", "7030.05", 1, 7'040'000, "7040", Finding::Differs,
     "Heard '7030.05': the rig is at 7030.05 kHz; the record says 7040 (9950 Hz apart)"},
    {"Farther in kHz", "10116.00", 1, 7'040'000, "7040", Finding::Differs,
     "Heard '10116.00': the rig is at 10116.00 kHz; the record says 7040 (3076 kHz apart)"},
    {"Four figures without a point", "7041", 1, 7'040'000, "7040", Finding::Agrees,
     "Heard '7041': the record agrees"},
    {"A label before is set aside", "FREQ 7040.2", 1, 7'040'200, "7040.2", Finding::Agrees,
     "Heard 'FREQ 7040.2': the record agrees"},
    {"A label and a closing prosign", "R 041.0 <AR>", 1, 7'040'200, "7040.2", Finding::Differs,
     "Heard 'R 041.0 <AR>': the rig is at 7041.0 kHz; the record says 7040.2 (800 Hz apart)"},
    {"A label that lost its first letter leaves the figures whole", "REQ 8071.95", 1, 18'071'950, "18071.95",
     Finding::Differs,
     "Heard 'REQ 8071.95': the rig is at 8071.95 kHz; the record says 18071.95 (10000 kHz apart)"},
    {"A closing letter after is set aside", "7040.2 K", 1, 7'040'200, "7040.2", Finding::Agrees,
     "Heard '7040.2 K': the record agrees"},
    {"Off the rig's grid", "3524.14", 1, 3'524'150, "3524.15", Finding::OffGrid,
     "Heard '3524.14': 3524.14 kHz is off the rig's 50 Hz grid"},
    {"Off the grid in the short form", "524.14", 1, 3'524'150, "3524.15", Finding::OffGrid,
     "Heard '524.14': 3524.14 kHz is off the rig's 50 Hz grid"},
    {"Two words before", "DE F 7040.2", 1, 7'040'200, "7040.2", Finding::NotAFrequency,
     "Heard 'DE F 7040.2': not a frequency"},
    {"Two groups of figures", "7040.2 7040.2", 1, 7'040'200, "7040.2", Finding::NotAFrequency,
     "Heard '7040.2 7040.2': not a frequency"},
    {"Figures without a point, too few", "73 73", 1, 7'040'000, "7040", Finding::NotAFrequency,
     "Heard '73 73': not a frequency"},
    {"Letters mixed into the figures", "57040.2X", 1, 7'040'200, "7040.2", Finding::NotAFrequency,
     "Heard '57040.2X': not a frequency"},
    {"A doubtful label", "* 7040.2", 1, 7'040'200, "7040.2", Finding::NotAFrequency,
     "Heard '* 7040.2': not a frequency"},
    {"Other traffic with figures", "RST 599", 1, 7'040'000, "7040", Finding::NotAFrequency,
     "Heard 'RST 599': not a frequency"},
    {"A weak character is not a frequency", "70*0.2", 1, 7'040'200, "7040.2", Finding::NotAFrequency,
     "Heard '70*0.2': not a frequency"},
    {"An untrusted reading is not taken at its word", "7040.2", 0.3, 7'040'200, "7040.2", Finding::Unsure,
     "Heard '7040.2': too unsure to trust"},
    {"Two points are not a frequency", "70.40.2", 1, 7'040'200, "7040.2", Finding::NotAFrequency,
     "Heard '70.40.2': not a frequency"},
    {"A bare point is not a frequency", "7040.", 1, 7'040'000, "7040", Finding::NotAFrequency,
     "Heard '7040.': not a frequency"},
    {"Nothing heard", "", 0, 7'040'000, "7040", Finding::Nothing, "Heard nothing"},
};

class Reconcile : public ::testing::TestWithParam<VerdictRow>
{
};

TEST_P(Reconcile, SaysWhatTheReadingMeansForTheRecord)
{
    const VerdictRow& row = GetParam();
    const hear::Verdict verdict = hear::reconcile(row.heard, row.confidence, row.recordHz);
    EXPECT_EQ(verdict.finding, row.finding);
    EXPECT_EQ(hear::lineText(verdict, row.recordText), row.line);
}

INSTANTIATE_TEST_SUITE_P(Rows, Reconcile, ::testing::ValuesIn(verdictRows), RowName());

} // namespace
