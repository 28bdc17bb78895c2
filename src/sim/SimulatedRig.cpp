#include "sim/SimulatedRig.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::chrono::milliseconds longPress{300};
constexpr int16_t ritStepHz = 50;
constexpr uint8_t statusReading = 127;

// The encoder's quarter-cycle position from the data byte: (A, B) = 11, 01, 00,
// 10 in turn going up, so a step of +1 (mod 4) is up and -1 down.
int phaseOf(uint8_t data)
{
    const bool a = data & 4;
    const bool b = data & 8;
    if (a)
        return b ? 0 : 3;
    return b ? 1 : 2;
}

bool isStandardBase(int16_t base)
{
    return base == 632 || base == 888 || base == 956;
}

} // namespace

std::optional<int32_t> rigModelStartHz(std::string_view model)
{
    struct Model {
        std::string_view name;
        int32_t qrpHz;
    };
    constexpr Model models[] = {
        {"KRV-80", 3'560'000}, {"KRV-40", 7'040'000}, {"KRV-30", 10'110'000}, {"KRV-20", 14'060'000}};
    for (const Model& m : models)
        if (m.name == model)
            return m.qrpHz;
    return std::nullopt;
}

std::string kHzText(int32_t hz)
{
    const long long magnitude = std::llabs(static_cast<long long>(hz));
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", hz < 0 ? "-" : "", magnitude / 1000,
                  magnitude % 1000 / 10);
    return text;
}

SimulatedRig::SimulatedRig(const RigSettings& settings, Clock clock)
    : base_(settings.base), standard_(isStandardBase(settings.base)), encoder_(settings.encoder),
      clock_(std::move(clock)), state_{settings.startHz, settings.startHz, 200, false}
{
    phase_ = phaseOf(data_);
    keyLow_ = standard_ ? (control_ & 1) : !(keyLatch_ & 1);
}

unsigned SimulatedRig::offset(int16_t address) const
{
    // Modulo 65536, so that a base near the top of the range still has its
    // registers and no address below it is taken for one.
    return static_cast<uint16_t>(static_cast<uint16_t>(address) - static_cast<uint16_t>(base_));
}

int16_t SimulatedRig::Inp32(int16_t address)
{
    switch (offset(address)) {
    case 0:
        return data_;
    case 1:
        return standard_ ? statusReading : keyLatch_;
    case 2:
        return control_;
    default:
        return 255;
    }
}

void SimulatedRig::Out32(int16_t address, int16_t value)
{
    const auto byte = static_cast<uint8_t>(value & 0xff);
    switch (offset(address)) {
    case 0:
        data_ = byte;
        encoderLines(byte);
        break;
    case 1:
        if (!standard_) {
            keyLatch_ = byte;
            keyLine(!(byte & 1));
        }
        break;
    case 2:
        control_ = byte;
        if (standard_) {
            // The port's inverters: a set bit is a low line.
            keyLine(byte & 1);
            ritLine(byte & 2);
        } else {
            ritLine(!(byte & 1));
        }
        break;
    default:
        break;
    }
}

void SimulatedRig::encoderLines(uint8_t data)
{
    const int phase = phaseOf(data);
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

    const bool detentPosition = phase == 0 || (phase == 2 && encoder_ == EncoderKind::HalfCycle);
    if (!detentPosition)
        return;
    // Between two detent positions lie 2 (half cycle) or 4 (whole cycle)
    // quarter cycles; a knob turned back before the next detent arrives with
    // less and moves nothing.
    const int perDetent = encoder_ == EncoderKind::HalfCycle ? 2 : 4;
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
        state_.stepHz = state_.stepHz == 200 ? 50 : 200;
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
