#include "hear/InProgramSound.h"

#include <QTimer>

bool InProgramSound::start(QString*)
{
    listening_ = true;
    ++generation_;
    return true;
}

void InProgramSound::stop()
{
    listening_ = false;
    ++generation_;
}

void InProgramSound::play(std::vector<float> samples, int rate)
{
    if (!listening_)
        return;
    // The rig speaks from inside a port write; the listener hears it after.
    QTimer::singleShot(0, this, [this, samples = std::move(samples), rate, generation = generation_] {
        if (generation != generation_ || !listening_)
            return;
        if (onSamples)
            onSamples(samples, rate, 1);
        if (onEnded && generation == generation_)
            onEnded();
    });
}
