#include "hear/Hearing.h"

#include "hear/DevicePlayer.h"
#include "hear/DeviceSound.h"
#include "hear/Devices.h"
#include "hear/HeardLine.h"
#include "hear/InProgramSound.h"
#include "hear/Listener.h"
#include "hear/Verifier.h"
#include "panel/Corvane.h"
#include "sim/RigConsole.h"
#include "sim/RigVoice.h"
#include "trace/Trace.h"

#include <QSettings>

#include <cstdio>

namespace
{

const QString inputKey = QStringLiteral("audio/input");
constexpr int voiceRate = 48'000;

} // namespace

Hearing::Hearing(Corvane& panel, RigConsole* rig, const HearingOptions& options,
                 std::unique_ptr<QSettings> store, std::FILE* trace)
    : QObject(&panel), rig_(rig)
{
    if (rig)
        giveVoice(*rig, options);
    chooseInput(options, rig && !player_, store.get());
    SoundSource* source = device_ ? static_cast<SoundSource*>(device_.get()) : inProgram_.get();
    listener_ = new Listener(source, this);
    line_ = new HeardLine(panel, *listener_);
    verifier_ = new Verifier(panel, *listener_, *line_, this);
    if (options.verify)
        verifier_->startOn("--verify");
    if (trace)
        line_->onShown = [trace](const QString& text) mutable {
            writeTrace(trace, "heard: %s\n", qPrintable(text));
        };
}

Hearing::~Hearing()
{
    if (rig_)
        rig_->onAnnunciation = nullptr;
    delete verifier_;
    delete line_;
    delete listener_;
}

void Hearing::giveVoice(RigConsole& rig, const HearingOptions& options)
{
    if (options.voiceOutput) {
        const QString name = QString::fromStdString(*options.voiceOutput);
        if (const auto device = hear::findOutput(name))
            player_ = new DevicePlayer(*device, this);
        else
            std::fprintf(stderr, "corvane: --rig-audio-output: no audio output \"%s\" (see --list-audio)\n",
                         qPrintable(name));
    }
    RigVoice::Play play;
    if (player_) {
        play = [this](std::vector<float> samples, int rate) { player_->play(std::move(samples), rate); };
    } else {
        inProgram_ = std::make_unique<InProgramSound>();
        play = [this](std::vector<float> samples, int rate) { inProgram_->play(std::move(samples), rate); };
    }
    voice_ = std::make_unique<RigVoice>(options.voice, voiceRate, std::move(play));
    rig.onAnnunciation = [this](const std::string& text) { voice_->annunciate(text); };
}

void Hearing::chooseInput(const HearingOptions& options, bool simulatedVoice, QSettings* store)
{
    QString name;
    if (options.input)
        name = QString::fromStdString(*options.input);
    else if (!simulatedVoice && store)
        name = store->value(inputKey).toString();
    if (name.isEmpty())
        return;
    if (const auto device = hear::findInput(name)) {
        // Remembered only once found: a mistyped name would be complained of at every start.
        if (options.input && store)
            store->setValue(inputKey, name);
        device_ = std::make_unique<DeviceSound>(*device);
        inProgram_.reset();
        if (rig_ && !player_)
            rig_->onAnnunciation = nullptr; // its voice would go nowhere
        return;
    }
    std::fprintf(stderr, "corvane: %s: no audio input \"%s\" (see --list-audio)\n",
                 options.input ? "--audio-input" : "the remembered audio input", qPrintable(name));
}
