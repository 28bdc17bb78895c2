#include "rigctl/PanelRig.h"

#include "panel/Corvane.h"
#include "panel/RecordDoor.h"
#include "rules/EncoderKind.h"
#include "rules/GoTo.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"


#include <algorithm>
#include <cmath>

namespace rigctl {

namespace {

int64_t toHz(double khz, QStringView what)
{
    const double hz = std::round(khz * 1000);
    // Whole Hz in a 64-bit count; a display far beyond any band would not fit.
    if (!(std::abs(hz) < 0x1p63))
        throw numtext::ConversionError(
            QStringLiteral("%1 (%2 kHz) is out of range").arg(what).arg(khz).toStdString());
    return static_cast<int64_t>(hz);
}

} // namespace

PanelRig::PanelRig(Corvane& panel, PortCheck checkPort)
    : panel_(panel), door_(panel.door()), checkPort_(std::move(checkPort))
{
    settle_.setSingleShot(true);
    settle_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&settle_, &QTimer::timeout, &panel_, [this] { takeUp(); });
}

PanelRig::~PanelRig() = default;

int64_t PanelRig::frequencyHz()
{
    const record::Display working = door_.shown().rit ? record::Display::receive : record::Display::transmit;
    const QString name = record::RecordDoor::displayName(working);
    return toHz(numtext::toDouble(door_.committedText(working), name), name);
}

int64_t PanelRig::ritOffsetHz()
{
    if (!door_.shown().rit)
        return 0;
    const double rx = numtext::toDouble(door_.committedText(record::Display::receive), names::rcvFreq);
    const double tx = numtext::toDouble(door_.committedText(record::Display::transmit), names::xmitFreq);
    return toHz(rx - tx, u"the RIT offset");
}

bool PanelRig::tune(double hz, ClientId)
{
    const double khz = rules::nearestOnGridKhz(hz);
    if (door_.refusal(khz))
        return false;
    // The engine sends nothing for another encoder kind: the move would never come.
    if (!rules::encoderKind(door_.shown().encoder))
        return false;
    checkMove(khz);
    // The older move has no one waiting for it any more: it ends after the
    // step under way, and the record it leaves is true.
    if (playing_)
        panel_.stopRun();
    // Clients often ask twice in a row (a nudge, then the frequency): only a
    // target that has stood for a moment is worth pulses and key presses. A
    // client that never stops asking is still served, every so often.
    const auto now = std::chrono::steady_clock::now();
    if (!waiting_)
        firstWaiting_ = now;
    waiting_ = khz;
    using std::chrono::milliseconds;
    const auto left = std::chrono::duration_cast<milliseconds>(firstWaiting_ + longestSettle - now);
    settle_.start(std::clamp(left, milliseconds::zero(), milliseconds(settleTime)));
    return true;
}

void PanelRig::takeUp()
{
    if (queued_ || !waiting_)
        return;
    queued_ = true;
    door_.ask([this] { play(); });
}

void PanelRig::checkMove(double khz)
{
    const bool rit = door_.shown().rit;
    const double from = door_.workingKhz();
    // The data register carries every step; the key line is pressed only when
    // "E" switches the rig's step. Planned as "E" plans it, from the entry it
    // will be given.
    const int16_t data = panel_.port_base(0);
    const QString entry = numtext::toText(khz);
    const rules::MovePlan plan =
        rules::planMove(from, numtext::toDouble(entry, names::freqEntry),
                        QStringLiteral("the step count from \"%1\" to \"%2\"").arg(numtext::toText(from), entry));
    const bool switches = rules::switchesStep(plan, panel_.step_hz, rit);
    const bool standard = panel_.is_std_port();
    const int16_t key = switches ? panel_.port_base(standard ? 2 : 1) : data;
    if (!checkPort_)
        return;
    checkPort_(data, true);
    checkPort_(data, false);
    if (switches) {
        if (standard)
            checkPort_(key, false);
        checkPort_(key, true);
    }
}

void PanelRig::play()
{
    queued_ = false;
    // Asked again since it was queued: the newest target settles first.
    if (!waiting_ || settle_.isActive())
        return;
    const double khz = *waiting_;
    waiting_.reset();
    playing_ = true;
    try {
        door_.goTo(khz);
    } catch (...) {
        playing_ = false;
        throw;
    }
    playing_ = false;
}

} // namespace rigctl
