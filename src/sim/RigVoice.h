#pragma once
// The simulated rig's voice: its annunciation ("7030.05") as Morse audio,
// the way a real rig sends it on its sidetone. Plain C++.

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

struct VoiceSettings {
    double pitchHz = 700;        // 300..1200
    double wpm = 20;             // 10..40
    std::optional<double> snrDb; // white noise at this ratio (tone over noise in 2500 Hz)
    bool shortForm = false;      // leave out the leading digits: "030.05" for "7030.05"
    std::string label;           // a word of letters sent first: "F 7030.05"; empty: none
};

// What the rig sends for `kHz` ("7030.05"): the whole text, or in the short
// form the last three digits before the point and all after it; after the
// label and a word gap when there is one.
std::string spokenText(std::string_view kHz, const VoiceSettings& voice);

class RigVoice
{
public:
    using Play = std::function<void(std::vector<float> samples, int rate)>;

    // Each annunciation becomes mono samples at `rate` Hz handed to `play`.
    RigVoice(const VoiceSettings& settings, int rate, Play play);

    void annunciate(const std::string& kHz);

private:
    VoiceSettings settings_;
    int rate_;
    Play play_;
    std::mt19937 random_{20'26};
};
