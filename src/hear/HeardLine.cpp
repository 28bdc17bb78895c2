#include "hear/HeardLine.h"

#include "aids/Announcer.h"
#include "aids/PanelAids.h"
#include "hear/Listener.h"
#include "panel/Corvane.h"
#include "panel/RecordDoor.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <cmath>
#include <optional>
#include <utility>

namespace
{

std::optional<int64_t> recordHz(const record::RecordDoor& door)
{
    const std::optional<record::Record> now = door.record();
    return now ? std::optional<int64_t>(now->transmitHz) : std::nullopt;
}

} // namespace

HeardLine::HeardLine(Corvane& panel, Listener& listener) : QObject(&panel), panel_(panel), listener_(listener)
{
    // Reached by Tab, between the rig's controls and Take: its name is the line.
    panel_.HeardLine->setFocusPolicy(Qt::TabFocus);
    panel_.HeardLine->setAccessibleDescription(
        QStringLiteral("What the rig was heard to annunciate, beside what it means for the record"));
    panel_.TakeRig->setAccessibleName(QStringLiteral("Take the rig's frequency"));
    panel_.TakeRig->setAccessibleDescription(
        QStringLiteral("Make the frequency heard from the rig the record (Alt+T)"));
    setTakeable(false);
    // A click leaves the focus where it was (Annunciate, as a rule): taking
    // disables Take, and a focus that came with the click would bounce back
    // at once, which a reader hears as the old control's name.
    panel_.TakeRig->setFocusPolicy(Qt::TabFocus);
    // Pressed comes before the click runs the press: the capture is on before the key goes down.
    connect(panel_.Command1, &QPushButton::pressed, &listener_, &Listener::listen);
    connect(&listener_, &Listener::started, this, [this] {
        recordMoved_ = false;
        show(QStringLiteral("Listening to %1...").arg(listener_.sourceName()));
    });
    connect(&listener_, &Listener::heard, this, &HeardLine::showHeard);
    connect(&listener_, &Listener::failed, this, [this](const QString& reason) {
        verdict_ = {};
        setTakeable(false);
        tell(QStringLiteral("Heard nothing: %1").arg(reason));
    });
    connect(&panel_, &Corvane::actionEnded, this, [this] {
        if (!heldNews_.isEmpty())
            panel_.aids().announcer().say(std::exchange(heldNews_, QString()));
    });
    connect(panel_.TakeRig, &QPushButton::clicked, this, &HeardLine::take);
    auto* key = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_T), &panel_);
    connect(key, &QShortcut::activated, panel_.TakeRig, &QPushButton::click);
    connect(panel_.Text1, &QLineEdit::textChanged, this, &HeardLine::recordChanged);
    idle();
}

QString HeardLine::text() const
{
    return panel_.HeardLine->text();
}

void HeardLine::show(const QString& text, bool news)
{
    QLabel* const line = panel_.HeardLine;
    line->setText(text);
    // Its name is its text: a change of it is what a reader speaks.
    if (line->accessibleName() != text)
        line->setAccessibleName(text);
    // The news goes where all news goes, the line itself included when it
    // has the focus (a reader does not speak a label's name change). Held, it
    // is said on whatever has the focus then.
    if (news && awaited_)
        heldNews_ = text;
    else if (news)
        panel_.aids().announcer().say(text);
    if (onShown)
        onShown(text);
}

void HeardLine::setTakeable(bool can)
{
    QPushButton* const take = panel_.TakeRig;
    // Left to itself the focus would go on round the panel to the Encoder
    // box, and a reader would hear the news as that box's name: back to
    // Annunciate instead, the press that makes the next reading.
    if (!can && take->hasFocus())
        panel_.Command1->setFocus(Qt::OtherFocusReason);
    take->setEnabled(can);
}

void HeardLine::idle()
{
    verdict_ = {};
    setTakeable(false);
    if (listener_.canListen())
        show(QStringLiteral("Listening to %1 at each annun-ciate").arg(listener_.sourceName()));
    else
        show(QStringLiteral("Not listening: no audio input (see --audio-input)"));
}

void HeardLine::showHeard(const morse::Heard& heard)
{
    const bool sure = !heard.text.empty() && heard.confidence >= hear::trusted;
    // The rig told its frequency at the press; a record that has moved since
    // moved the rig too, so what was heard is no longer the rig's.
    if (recordMoved_ && sure) {
        verdict_ = {};
        setTakeable(false);
        tell(QStringLiteral("Heard '%1', but the record moved while listening: annun-ciate again")
                 .arg(QString::fromStdString(heard.text)));
        return;
    }
    record::RecordDoor& door = panel_.door();
    const QString recordText = door.committedText(record::Display::transmit);
    const std::optional<int64_t> record = recordHz(door);
    if (!record && sure) {
        verdict_ = {};
        setTakeable(false);
        tell(QStringLiteral("Heard '%1'; the record \"%2\" is no frequency")
                 .arg(QString::fromStdString(heard.text), recordText));
        return;
    }
    verdict_ = hear::reconcile(heard.text, heard.confidence, record.value_or(0));
    QString line = QString::fromStdString(hear::lineText(verdict_, recordText.toStdString()));
    // Only what a hand edit could set may be taken.
    if (verdict_.finding == hear::Finding::Differs) {
        if (const std::optional<QString> why = door.refusal(static_cast<double>(verdict_.rigHz) / 1000.0)) {
            verdict_.finding = hear::Finding::NotAFrequency;
            line += QStringLiteral("; cannot be taken: %1").arg(*why);
        }
    }
    setTakeable(verdict_.finding == hear::Finding::Differs);
    tell(line);
}

void HeardLine::awaitReading(Reading reading)
{
    awaited_ = reading;
}

void HeardLine::tell(const QString& line)
{
    const bool checked = awaited_ == Reading::checked;
    show(checked ? QString::fromStdString(hear::checkedText(verdict_, line.toStdString())) : line, true);
    awaited_.reset();
}

void HeardLine::giveUp(const QString& why)
{
    const bool checked = awaited_ == Reading::checked;
    awaited_.reset();
    verdict_ = {};
    setTakeable(false);
    show((checked ? QStringLiteral("Not verified: %1") : QStringLiteral("Heard nothing: %1")).arg(why));
}

void HeardLine::take()
{
    if (verdict_.finding != hear::Finding::Differs)
        return;
    const hear::Verdict taken = verdict_;
    panel_.door().ask([this, taken] {
        taking_ = true;
        try {
            panel_.door().take(taken.rigHz);
        } catch (...) {
            taking_ = false;
            throw;
        }
        taking_ = false;
        verdict_ = hear::reconcile(taken.heard, 1.0, taken.rigHz);
        setTakeable(false);
        show(QString::fromStdString(
            hear::lineText(verdict_, panel_.door().committedText(record::Display::transmit).toStdString())));
    });
}

void HeardLine::recordChanged()
{
    if (!taking_ && listener_.listening())
        recordMoved_ = true;
    if (!taking_ && (verdict_.finding == hear::Finding::Agrees || verdict_.finding == hear::Finding::Differs))
        idle();
}
