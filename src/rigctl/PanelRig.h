#pragma once
// The panel as a rigctl::Rig: it reads the frequency record from the displays
// and tunes by running "E" on a frequency of its own, so a remote client works
// the rig exactly as the operator does.

#include "rigctl/Interpreter.h"

#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

class Corvane;
namespace record { class RecordDoor; }

namespace rigctl {

class PanelRig : public Rig {
public:
    // Throws PortRefused (or any error) when an access to the address, a write
    // or a read, would be refused; touches nothing. Empty: every port answers.
    using PortCheck = std::function<void(int16_t address, bool write)>;

    explicit PanelRig(Corvane& panel, PortCheck checkPort = {});
    ~PanelRig() override;

    // A target is taken up once no newer one has come for settleTime, and at
    // the latest longestSettle after the first of a burst was asked for.
    static constexpr std::chrono::milliseconds settleTime{40};
    static constexpr std::chrono::milliseconds longestSettle{250};

    // Text3 with RIT on, Text1 otherwise, as last committed (a draft typed
    // there is no record yet): the frequency "E" works from.
    // Throws numtext::ConversionError on a display that holds no frequency.
    int64_t frequencyHz() override;
    // Text3 - Text1 while RIT is on. Throws as frequencyHz does.
    int64_t ritOffsetHz() override;
    // Checks now all that can be checked before the first pulse: refuses
    // (false) what the record's guard refuses (no model chosen, or outside
    // 540..25000 kHz and the model's limits once rounded to 50 Hz) and an
    // Encoder text other than "1" or "2"; throws on a display or Port text that
    // cannot be converted and on a register the port check refuses. Once the
    // target has settled (settleTime) it queues "E" on that frequency through
    // the record's door; it runs after the action running, planned from the
    // record as it then stands, leaving the operator's entry in Text5 as it
    // was. Only the newest waiting target is played, whoever asked for it and
    // whether its client is still there or not: one superseded before it
    // started plays nothing. A remote move under way is stopped by a newer
    // target after its current step, and the newer one is played from where
    // the record then stands; an operator's run is never stopped, the target
    // waits for it. A failure once under way is the panel's actionFailed; the
    // record then says how far the move came.
    bool tune(double hz, ClientId client) override;
    // A target waits for newer ones before it is queued.
    bool settling() const { return settle_.isActive(); }

private:
    void checkMove(double khz);
    void takeUp();
    void play();

    Corvane& panel_;
    record::RecordDoor& door_;
    PortCheck checkPort_;
    QTimer settle_;
    std::chrono::steady_clock::time_point firstWaiting_;
    std::optional<double> waiting_; // kHz
    bool queued_ = false;
    bool playing_ = false;
};

} // namespace rigctl
