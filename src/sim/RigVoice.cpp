#include "sim/RigVoice.h"

#include "morse/Keyer.h"

#include <algorithm>

std::string spokenText(std::string_view kHz, const VoiceSettings& voice)
{
    const size_t point = std::min(kHz.find('.'), kHz.size());
    const std::string_view figures = voice.shortForm ? kHz.substr(point > 3 ? point - 3 : 0) : kHz;
    return voice.label.empty() ? std::string(figures) : voice.label + ' ' + std::string(figures);
}

RigVoice::RigVoice(const VoiceSettings& settings, int rate, Play play)
    : settings_(settings), rate_(rate), play_(std::move(play))
{
}

void RigVoice::annunciate(const std::string& kHz)
{
    morse::Sending sending;
    sending.pitchHz = settings_.pitchHz;
    sending.wpm = settings_.wpm;
    sending.snrDb = settings_.snrDb;
    sending.amplitude = 0.4;
    std::vector<float> samples = morse::keyed(spokenText(kHz, settings_), sending, rate_, random_);
    for (float& v : samples)
        v = std::clamp(v, -1.0f, 1.0f);
    if (play_)
        play_(std::move(samples), rate_);
}
