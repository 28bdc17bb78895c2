#pragma once
// Plays sound on an audio output device through Qt Multimedia: the simulated
// rig's voice when it is to go through the real audio path.

#include <QAudioDevice>
#include <QObject>

#include <vector>

class DevicePlayer : public QObject
{
public:
    DevicePlayer(const QAudioDevice& device, QObject* parent = nullptr);

    // Mono samples at `rate` Hz, full scale 1; queued behind what is playing.
    // A device that cannot play is said once on standard error.
    void play(std::vector<float> samples, int rate);

private:
    QAudioDevice device_;
    bool complained_ = false;
};
