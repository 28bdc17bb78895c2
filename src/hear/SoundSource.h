#pragma once
// Where the panel's listener gets its sound: an audio input device, or the
// simulated rig inside the program. A source delivers only between start()
// and stop(), in the event loop, never from inside a port call.

#include <QString>

#include <functional>
#include <span>

class SoundSource
{
public:
    virtual ~SoundSource() = default;

    // What the operator is told the panel listens to.
    virtual QString name() const = 0;
    // Starts delivering; false, with the reason in *error, when it cannot.
    virtual bool start(QString* error) = 0;
    virtual void stop() = 0;

    // Interleaved frames of `channels` channels at `rate` Hz, full scale 1.
    std::function<void(std::span<const float> samples, int rate, int channels)> onSamples;
    // The sound is known to be over (the simulated rig has said its piece).
    std::function<void()> onEnded;
    // The source failed after it had started (the device went away).
    std::function<void(const QString& reason)> onFailed;
};
