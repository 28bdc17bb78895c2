#include "sim/SimulatedRig.h"

#include <cstdio>
#include <cstdlib>

namespace
{

constexpr std::chrono::milliseconds longPress{300};
constexpr int16_t ritStepHz = rules::fineStepHz;
// The encoder's quarter-cycle position from its lines: (A, B) = 11, 01, 00,
// 10 in turn going up, so a step of +1 (mod 4) is up and -1 down.
int phaseOf(bool a, bool b)
{
    if (a)
        return b ? 0 : 3;
    return b ? 1 : 2;
}

} // namespace

std::string kHzText(int32_t hz)
{
    const long long magnitude = std::llabs(static_cast<long long>(hz));
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", hz < 0 ? "-" : "", magnitude / 1000,
                  magnitude % 1000 / 10);
    return text;
}

SimulatedRig::SimulatedRig(const RigSettings& settings, Clock clock)
    : map_(static_cast<uint16_t>(settings.base)), encoder_(settings.encoder),
      clock_(std::move(clock)), state_{settings.startHz, settings.startHz, rules::coarseStepHz, false}
{
    const unsigned levels = map_.levels();
    encoderHigh_ = levels & (lines::encoderA | lines::encoderB);
    phase_ = phaseOf(levels & lines::encoderA, levels & lines::encoderB);
    keyLow_ = !(levels & lines::key);
}

int16_t SimulatedRig::Inp32(int16_t address)
{
    const std::optional<unsigned> reg = map_.registerAt(static_cast<uint16_t>(address));
    return reg ? map_.read(*reg) : 255;
}

void SimulatedRig::Out32(int16_t address, int16_t value)
{
    if (const std::optional<unsigned> reg = map_.registerAt(static_cast<uint16_t>(address)))
        linesDriven(map_.write(*reg, static_cast<uint8_t>(value & 0xff)));
}

void SimulatedRig::linesDriven(const lines::Drive& drive)
{
    if (drive.lines & (lines::encoderA | lines::encoderB)) {
        // A line not driven keeps its level.
        const unsigned high = (drive.high & drive.lines) | (encoderHigh_ & ~drive.lines);
        encoderLines(high & lines::encoderA, high & lines::encoderB);
    }
    if (drive.lines & lines::key)
        keyLine(!(drive.high & lines::key));
    if (drive.lines & lines::rit)
        ritLine(!(drive.high & lines::rit));
}

void SimulatedRig::encoderLines(bool a, bool b)
{
    encoderHigh_ = (a ? lines::encoderA : 0) | (b ? lines::encoderB : 0);
    const int phase = phaseOf(a, b);
    const int turn = (phase - phase_ + 4) % 4;
    phase_ = phase;
    if (turn == 0)
        return;
    if (turn == 2) {
        // Both lines at once: the direction cannot be told, so the rig neither
        // counts it nor trusts what it had counted towards the detent.
        ++badTransitions_;
        travel_ = 0;
        return;
    }
    travel_ += turn == 1 ? 1 : -1;

    const bool detentPosition = phase == 0 || (phase == 2 && encoder_ == rules::Encoder::halfCycles);
    if (!detentPosition)
        return;
    // Between two detent positions lie 2 (half cycle) or 4 (whole cycle)
    // quarter cycles; a knob turned back before the next detent arrives with
    // less and moves nothing.
    const int perDetent = encoder_ == rules::Encoder::halfCycles ? 2 : 4;
    const int travel = travel_;
    travel_ = 0;
    if (travel == perDetent)
        turnDetent(1);
    else if (travel == -perDetent)
        turnDetent(-1);
}

void SimulatedRig::turnDetent(int direction)
{
    if (state_.rit) {
        state_.rxHz += direction * ritStepHz;
    } else {
        state_.txHz += direction * state_.stepHz;
        state_.rxHz = state_.txHz;
    }
    changed();
}

void SimulatedRig::keyLine(bool low)
{
    if (low == keyLow_)
        return;
    keyLow_ = low;
    const auto now = clock_();
    if (low) {
        pressedAt_ = now;
        return;
    }
    // The panel's start-up lets go of a key that was low since power-on (a
    // control register of 255): the rig never saw that press begin.
    if (!pressedAt_)
        return;
    const auto held = now - *pressedAt_;
    pressedAt_.reset();
    if (held >= longPress) {
        state_.stepHz = state_.stepHz == rules::coarseStepHz ? rules::fineStepHz : rules::coarseStepHz;
        changed();
    } else if (onAnnunciation) {
        onAnnunciation(kHzText(state_.txHz));
    }
}

void SimulatedRig::ritLine(bool low)
{
    if (low == state_.rit)
        return;
    state_.rit = low;
    if (!low)
        state_.rxHz = state_.txHz;
    changed();
}

void SimulatedRig::tuneTo(int32_t hz)
{
    state_.txHz = hz;
    state_.rxHz = hz;
    changed();
}

void SimulatedRig::changed()
{
    if (onStateChanged)
        onStateChanged(state_);
}
