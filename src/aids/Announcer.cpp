#include "aids/Announcer.h"
#include "aids/NewsNotice.h"

#include "panel/Corvane.h"
#include "panel/RecordDoor.h"
#include "rules/GoTo.h"
#include "text/ControlNames.h"
#include "text/NumberText.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <utility>

Announcer::Announcer(Corvane& panel, QObject* parent)
    : QObject(parent), panel_(panel), before_(now()), clock_([] { return std::chrono::steady_clock::now(); }),
      focused_(QApplication::focusWidget()), settleTimer_(new QTimer(this))
{
    // One place for the notices, out of the way of the panel's controls.
    auto* holder = new QWidget(&panel);
    holder->setObjectName(QStringLiteral("news"));
    holder->setAttribute(Qt::WA_TransparentForMouseEvents); // the notices' too
    holder->setGeometry(0, 0, 1, 1);
    for (NewsNotice*& notice : notices_)
        notice = new NewsNotice(holder);
    settleTimer_->setSingleShot(true);
    connect(settleTimer_, &QTimer::timeout, this, &Announcer::putHeld);
    for (QAbstractButton* b : panel_.findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
        connect(b, &QAbstractButton::pressed, this, [this, b] { pressed(b); });
    connect(&panel_, &Corvane::actionFailed, this, [this] { failed_ = true; });
    connect(&panel_, &Corvane::actionEnded, this, &Announcer::ended);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
}

QString Announcer::record(const record::Shown& shown)
{
    if (!shown.rit)
        return QStringLiteral("%1 kilohertz").arg(shown.transmit);
    return QStringLiteral("transmit %1 kilohertz, receive %2 kilohertz").arg(shown.transmit, shown.receive);
}

QString Announcer::entryNews(const record::Shown& shown, bool& dropped)
{
    dropped = true;
    const QString& entry = shown.entry;
    rules::EntryDecision decision;
    try {
        decision = rules::decideEntry(entry, shown.lowKhz, shown.highKhz, names::freqEntry);
    } catch (const numtext::ConversionError&) {
        dropped = false;
        return QString();
    }
    const QString what = QStringLiteral("Freq entry \"%1\" dropped: ").arg(entry);
    switch (decision.dropped) {
    case rules::Dropped::Not:
        break;
    case rules::Dropped::Empty:
        return QStringLiteral("Freq entry empty: nothing to go to");
    case rules::Dropped::OutOfRange:
        return what + QStringLiteral("not a frequency from %1 to %2 kilohertz")
                          .arg(rules::entryLowKhz)
                          .arg(rules::entryHighKhz);
    case rules::Dropped::NoModel:
        return what + QStringLiteral("choose the rig model first");
    case rules::Dropped::OutsideLimits:
        return what + QStringLiteral("outside %1 to %2 kilohertz").arg(shown.lowKhz).arg(shown.highKhz);
    case rules::Dropped::OffGrid:
        return what + QStringLiteral("not on the 50 hertz grid");
    }
    dropped = false;
    return QStringLiteral("going to %1 kilohertz").arg(entry.trimmed());
}

Announcer::State Announcer::now() const
{
    const record::Shown shown = panel_.door().shown();
    return {shown.transmit, shown.receive, shown.entry, shown.rit, shown.stepHz};
}

void Announcer::pressed(QAbstractButton* button)
{
    pressed_ = button;
    dropped_.clear();
    if (panel_.busy())
        return;
    // What the operator typed meanwhile is not the action's doing.
    before_ = now();
    if (button != panel_.Command26)
        return;
    // Said before the run starts: the operator hears where it goes while it goes.
    bool dropped = false;
    const QString news = entryNews(panel_.door().shown(), dropped);
    if (dropped)
        dropped_ = news;
    else if (!news.isEmpty())
        say(news);
}

void Announcer::ended()
{
    const State after = now();
    const QString text = failed_ ? QString() : news(before_, after);
    before_ = after;
    pressed_ = nullptr;
    dropped_.clear();
    failed_ = false;
    if (!text.isEmpty())
        say(text);
}

QString Announcer::news(const State& before, const State& after) const
{
    Corvane& p = panel_;
    QAbstractButton* const button = pressed_;
    if (button == p.Command1)
        return QStringLiteral("annunciate sent");
    if (button == p.Command26)
        return dropped_.isEmpty() ? record(panel_.door().shown()) : dropped_;
    if (after.rit != before.rit)
        return (after.rit ? QStringLiteral("RIT on, ") : QStringLiteral("RIT off, ")) + record(panel_.door().shown());
    if (button == p.Command2 || (after.stepHz != before.stepHz && after.xmit == before.xmit))
        return QStringLiteral("%1 hertz steps").arg(after.stepHz);
    const QAbstractButton* const entryKeys[] = {p.Command15, p.Command16, p.Command17, p.Command18,
                                                p.Command19, p.Command20, p.Command21, p.Command22,
                                                p.Command23, p.Command24, p.Command25, p.Command27,
                                                p.Command28, p.Command29, p.Command30, p.Command31};
    if (std::find(std::begin(entryKeys), std::end(entryKeys), button) != std::end(entryKeys))
        return after.entry.isEmpty() ? QStringLiteral("Freq entry empty")
                                     : QStringLiteral("Freq entry %1").arg(after.entry.trimmed());
    if (after.xmit != before.xmit || after.rcv != before.rcv || button)
        return record(panel_.door().shown());
    return QString();
}

void Announcer::say(const QString& text)
{
    last_ = text;
    emit said(text);
    held_.append(text);
    putHeld();
}

void Announcer::putHeld()
{
    if (held_.isEmpty())
        return;
    if (fresh()) {
        // Mid-change the timer starts again with the focus change.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(settle - (clock_() - focusedAt_));
        settleTimer_->start(std::clamp(left, std::chrono::milliseconds(1), settle));
        return;
    }
    settleTimer_->stop();
    const QStringList texts = std::exchange(held_, {});
    QWidget* focused = QApplication::focusWidget();
    if (!focused || focused->window() != panel_.window())
        return;
    for (const QString& text : texts)
        put(focused, text);
}

bool Announcer::fresh() const
{
    // A focus widget the last focus change did not name is one still taking
    // the focus: its change has not gone out yet.
    return QApplication::focusWidget() != focused_ || clock_() - focusedAt_ < settle;
}

void Announcer::focusMoved(QWidget* now)
{
    focused_ = now;
    focusedAt_ = clock_();
    // Sent before the focus change, the own name is what the reader reads
    // with it, and the change itself is not spoken: the control is not yet
    // focused in the reader's eyes.
    if (now)
        giveNameBack(now);
    if (!held_.isEmpty())
        settleTimer_->start(settle);
}

void Announcer::put(QWidget* focused, const QString& text)
{
    // A reader ignores name changes of list items and labels: a notice of
    // its own carries the news there, each in turn, so that news following
    // close behind is not read with the text of the next.
    if (qobject_cast<QListWidget*>(focused) || qobject_cast<QLabel*>(focused)) {
        notices_[nextNotice_]->tell(text);
        nextNotice_ = (nextNotice_ + 1) % notices_.size();
        return;
    }
    if (!ownNames_.contains(focused))
        ownNames_.insert(focused, focused->accessibleName());
    // A reader keeps each object's last name and ignores a change to the same
    // name; a trailing space makes the repeat a change and is not heard.
    QString name = text;
    if (spokenAs_.value(focused) == name)
        name += u' ';
    spokenAs_.insert(focused, name);
    focused->setAccessibleName(name);
}

void Announcer::giveNameBack(QWidget* control)
{
    const auto it = ownNames_.find(control);
    if (it == ownNames_.end())
        return;
    const QString own = it.value();
    ownNames_.erase(it);
    control->setAccessibleName(own);
}
