#pragma once
// A KRV rig on a parallel port in memory: the default backend, so that the
// panel can be tried without hardware, and the yardstick the panel's record is
// checked against, since this rig keeps its true state.
//
// The port has three registers at its base; an address with no port behind it
// reads 255 and takes writes to nowhere. The rig sees four lines, mapped as
// LineMap says. Reads: each of the three registers reads back the byte last
// written to it, 255 before the first write, except the status register of a
// standard base (LineMap). The rig can also listen to lines that something
// else drives (linesDriven), such as a GPIO chip.
//
// The levels the lines hold before the first write mean nothing to the rig: it
// starts as its settings say. So a control register of 255 (key and RIT low)
// is no key press and no RIT; the key counts from its first press after that.
//
// The rig's state (RigState): transmit and receive frequency in Hz, the step
// (200 or 50 Hz) and RIT.
// - Encoder: Gray-code transitions of A and B, up when A changes first. A
//   detent every half cycle (at both lines high and at both low) or every whole
//   cycle (at both high). A jump of both lines at once is no transition: it is
//   counted in badTransitions() and forgets the part of a detent turned so far.
//   A detent moves receive alone by 50 Hz with RIT on; with RIT off, transmit
//   and receive together by the step.
// - Key: held 300 ms or more, from the press to the release on the rig's
//   clock, it toggles the step between 200 and 50 Hz; shorter, the rig
//   annunciates its transmit frequency as text ("7030.05").
// - RIT: whenever its line is driven, low turns RIT on; high turns it off
//   and brings receive back to transmit.
//
// onStateChanged runs after every change of state and onAnnunciation for every
// annunciation, both inside the Out32 call that caused them. The clock is read
// at the key's edges only. Out32 and Inp32 never throw.

#include "Module1.h"
#include "lines/LineMap.h"
#include "rules/EncoderKind.h"
#include "rules/Models.h"
#include "rules/StandardPort.h"
#include "rules/Steps.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct RigState {
    int32_t txHz = 0;
    int32_t rxHz = 0;
    int16_t stepHz = rules::coarseStepHz; // the step with RIT off; RIT on always tunes by the fine step
    bool rit = false;
    bool operator==(const RigState&) const = default;
};

// The model the simulated rig is unless told otherwise.
inline constexpr std::string_view defaultRigModel = "KRV-40";

// encoder: halfCycles, a detent at both lines high and at both low;
// wholeCycles, a detent at both lines high only.
struct RigSettings {
    int16_t base = rules::defaultBase;
    int32_t startHz = rules::findModel(defaultRigModel)->qrpHz(); // the model's QRP frequency
    rules::Encoder encoder = rules::Encoder::halfCycles;
};

// A frequency as the rig sends it: kHz with two decimals ("7030.05", "-0.20").
// The rig only ever stands on whole 50 Hz, so nothing below 10 Hz is lost.
std::string kHzText(int32_t hz);

class SimulatedRig : public PortIo
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Starts at settings.startHz on both frequencies, 200 Hz steps, RIT off.
    SimulatedRig(const RigSettings& settings, Clock clock);

    int16_t Inp32(int16_t address) override;
    void Out32(int16_t address, int16_t value) override;

    const RigState& state() const { return state_; }
    int badTransitions() const { return badTransitions_; }

    // Puts transmit and receive on `hz`, as the operator at the rig's own knob
    // would; RIT and the step stay. Reports the change like any other.
    void tuneTo(int32_t hz);

    // The rig's inputs driven from outside its own port: drive.lines are the
    // lines set, drive.high those of them at high level. Reacts as to a write.
    void linesDriven(const lines::Drive& drive);

    std::function<void(const RigState&)> onStateChanged;
    std::function<void(const std::string& text)> onAnnunciation;

private:
    void encoderLines(bool a, bool b);
    void keyLine(bool low);
    void ritLine(bool low);
    void turnDetent(int direction);
    void changed();

    LineMap map_;
    const rules::Encoder encoder_;
    Clock clock_;
    RigState state_;
    int phase_ = 0; // lines A, B along the up direction: 11, 01, 00, 10
    unsigned encoderHigh_ = lines::encoderA | lines::encoderB;
    int travel_ = 0; // quarter cycles since the last detent position, up positive
    int badTransitions_ = 0;
    bool keyLow_;
    std::optional<std::chrono::steady_clock::time_point> pressedAt_; // a press the rig saw begin
};
