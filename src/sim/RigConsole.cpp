#include "sim/RigConsole.h"

#include "trace/Trace.h"

std::string rigLine(const RigState& state)
{
    return "rig " + kHzText(state.txHz) + ' ' + kHzText(state.rxHz) + ' ' + std::to_string(state.stepHz) +
           (state.rit ? " on" : " off");
}

RigConsole::RigConsole(PortIo& inner, SimulatedRig& rig, std::FILE* out, bool stateLines)
    : inner_(inner), rig_(rig), out_(out)
{
    // The rig speaks from inside the call, before the trace wrapper has written
    // its line for it; holding the words back until the call returns keeps the
    // cause ahead of the effect.
    rig_.onAnnunciation = [this](const std::string& text) {
        pending_ += text + '\n';
        said_.push_back(text);
    };
    if (stateLines)
        rig_.onStateChanged = [this](const RigState& state) { pending_ += rigLine(state) + '\n'; };
}

RigConsole::~RigConsole()
{
    rig_.onAnnunciation = nullptr;
    rig_.onStateChanged = nullptr;
}

int16_t RigConsole::Inp32(int16_t address)
{
    const int16_t value = inner_.Inp32(address);
    flush();
    return value;
}

void RigConsole::Out32(int16_t address, int16_t value)
{
    inner_.Out32(address, value);
    flush();
}

void RigConsole::flush()
{
    if (pending_.empty())
        return;
    writeTrace(out_, "%s", pending_.c_str());
    pending_.clear();
    std::vector<std::string> said;
    said.swap(said_);
    if (onAnnunciation)
        for (const std::string& text : said)
            onAnnunciation(text);
}
