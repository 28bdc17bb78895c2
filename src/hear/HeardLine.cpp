#include "hear/HeardLine.h"

#include "hear/Listener.h"
#include "panel/Corvane.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <cmath>
#include <optional>

namespace
{

std::optional<int64_t> recordHz(const QLineEdit* display)
{
    try {
        return std::llround(numtext::toDouble(display->text(), names::xmitFreq) * 1000.0);
    } catch (const numtext::ConversionError&) {
        return std::nullopt;
    }
}

} // namespace

HeardLine::HeardLine(Corvane& panel, Listener& listener) : QObject(&panel), panel_(panel), listener_(listener)
{
    panel_.HeardLine->setAccessibleName(QStringLiteral("Heard from the rig"));
    panel_.TakeRig->setAccessibleName(QStringLiteral("Take the rig's frequency"));
    panel_.TakeRig->setAccessibleDescription(
        QStringLiteral("Make the frequency heard from the rig the record (Alt+T)"));
    panel_.TakeRig->setEnabled(false);
    // Pressed comes before the click runs the press: the capture is on before the key goes down.
    connect(panel_.Command1, &QPushButton::pressed, &listener_, &Listener::listen);
    connect(&listener_, &Listener::started, this, [this] {
        recordMoved_ = false;
        show(QStringLiteral("Listening to %1...").arg(listener_.sourceName()));
    });
    connect(&listener_, &Listener::heard, this, &HeardLine::showHeard);
    connect(&listener_, &Listener::failed, this, [this](const QString& reason) {
        verdict_ = {};
        panel_.TakeRig->setEnabled(false);
        show(QStringLiteral("Heard nothing: %1").arg(reason));
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

void HeardLine::show(const QString& text)
{
    panel_.HeardLine->setText(text);
    panel_.HeardLine->setAccessibleDescription(text);
    if (onShown)
        onShown(text);
}

void HeardLine::idle()
{
    verdict_ = {};
    panel_.TakeRig->setEnabled(false);
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
        panel_.TakeRig->setEnabled(false);
        show(QStringLiteral("Heard '%1', but the record moved while listening: annun-ciate again")
                 .arg(QString::fromStdString(heard.text)));
        return;
    }
    const std::optional<int64_t> record = recordHz(panel_.Text1);
    if (!record && sure) {
        verdict_ = {};
        panel_.TakeRig->setEnabled(false);
        show(QStringLiteral("Heard '%1'; the record \"%2\" is no frequency")
                 .arg(QString::fromStdString(heard.text), panel_.Text1->text()));
        return;
    }
    verdict_ = hear::reconcile(heard.text, heard.confidence, record.value_or(0));
    panel_.TakeRig->setEnabled(verdict_.finding == hear::Finding::Differs);
    show(QString::fromStdString(hear::lineText(verdict_, panel_.Text1->text().toStdString())));
}

void HeardLine::take()
{
    if (verdict_.finding != hear::Finding::Differs)
        return;
    const hear::Verdict taken = verdict_;
    panel_.queueAction([this, taken] {
        const std::optional<int64_t> record = recordHz(panel_.Text1);
        if (!record)
            return;
        const int64_t shift = taken.rigHz - *record;
        const QString transmit = numtext::toText(static_cast<double>(taken.rigHz) / 1000.0);
        QString receive = transmit;
        if (panel_.RIT_ON->isChecked())
            receive = numtext::toText(numtext::toDouble(panel_.Text3->text(), names::rcvFreq) +
                                      static_cast<double>(shift) / 1000.0);
        taking_ = true;
        panel_.Text1->setText(transmit);
        panel_.Text3->setText(receive);
        taking_ = false;
        verdict_ = hear::reconcile(taken.heard, 1.0, taken.rigHz);
        panel_.TakeRig->setEnabled(false);
        show(QString::fromStdString(hear::lineText(verdict_, transmit.toStdString())));
    });
}

void HeardLine::recordChanged()
{
    if (!taking_ && listener_.listening())
        recordMoved_ = true;
    if (!taking_ && (verdict_.finding == hear::Finding::Agrees || verdict_.finding == hear::Finding::Differs))
        idle();
}
