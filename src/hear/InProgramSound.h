#pragma once
// The simulated rig's voice, heard inside the program: no sound card needed.
// What the rig plays while the listener is not listening is lost, as it would
// be in the air.

#include "hear/SoundSource.h"

#include <QObject>

#include <vector>

class InProgramSound : public QObject, public SoundSource
{
public:
    explicit InProgramSound(QObject* parent = nullptr) : QObject(parent) {}

    QString name() const override { return QStringLiteral("the simulated rig"); }
    bool start(QString* error) override;
    void stop() override;

    // The rig plays `samples` (mono, at `rate`): delivered from the event
    // loop, then the end, if listening.
    void play(std::vector<float> samples, int rate);

private:
    bool listening_ = false;
    unsigned generation_ = 0; // a stop() drops what was on its way
};
