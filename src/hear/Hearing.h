#pragma once
// Listening to the rig, put together: the simulated rig's voice and where it
// plays, the source the panel listens to, the listener and the panel's line.
//
// What the panel listens to: the input given with --audio-input (remembered);
// else, with the simulated rig playing inside the program, its voice; else
// the remembered input; else nothing, and the line says so.
// Verify by ear (hear/Verifier.h) is on from the start with --verify when
// the panel listens; standard error says so when it does not.

#include "hear/HearingCommandLine.h"

#include <QObject>

#include <cstdio>
#include <memory>

class Corvane;
class DevicePlayer;
class DeviceSound;
class HeardLine;
class InProgramSound;
class Listener;
class Verifier;
class RigConsole;
class RigVoice;
class QSettings;

class Hearing : public QObject
{
public:
    // rig: the simulated rig's console, or nullptr with hardware. store: where
    // the input is remembered, or nullptr to remember nothing. trace: where
    // each text the line shows is also written ("heard: ..."), or nullptr.
    // Problems (an input or output that is not there) are said on standard
    // error; the panel works on without them.
    Hearing(Corvane& panel, RigConsole* rig, const HearingOptions& options, std::unique_ptr<QSettings> store,
            std::FILE* trace = nullptr);
    ~Hearing() override;

    HeardLine& line() { return *line_; }
    Verifier& verifier() { return *verifier_; }

private:
    void giveVoice(RigConsole& rig, const HearingOptions& options);
    void chooseInput(const HearingOptions& options, bool simulatedVoice, QSettings* store);

    std::unique_ptr<InProgramSound> inProgram_;
    std::unique_ptr<DeviceSound> device_;
    std::unique_ptr<RigVoice> voice_;
    DevicePlayer* player_ = nullptr;
    Listener* listener_ = nullptr;
    HeardLine* line_ = nullptr;
    Verifier* verifier_ = nullptr;
    RigConsole* rig_ = nullptr;
};
