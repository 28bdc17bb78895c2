#include "hear/Verifier.h"

#include "aids/Announcer.h"
#include "aids/PanelAids.h"
#include "hear/HeardLine.h"
#include "hear/Listener.h"
#include "panel/Corvane.h"
#include "panel/RecordDoor.h"

#include <QShortcut>

#include <chrono>
#include <cstdio>

Verifier::Verifier(Corvane& panel, Listener& listener, HeardLine& line, QObject* parent)
    : QObject(parent), panel_(panel), listener_(listener), line_(line), door_(&panel.door())
{
    door_->followMoves([this](record::Moved moved) { follow(moved); });
    // The panel's own shortcut: held back during a run like the panel's other keys.
    key_ = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_V), &panel_);
    connect(key_, &QShortcut::activated, this, &Verifier::toggle);
}

Verifier::~Verifier()
{
    if (door_)
        door_->followMoves({});
    delete key_;
}

bool Verifier::canVerify() const
{
    return listener_.canListen();
}

bool Verifier::setOn(bool on)
{
    const bool now = on && canVerify();
    if (now != on_) {
        on_ = now;
        if (onSwitched)
            onSwitched(on_);
    }
    return on_;
}

void Verifier::startOn(const char* asker)
{
    if (setOn(true) || cannotSaid_)
        return;
    cannotSaid_ = true;
    std::fprintf(stderr,
                 "corvane: verify by ear (%s) stays off: the panel is not listening (see --audio-input)\n",
                 asker);
}

void Verifier::toggle()
{
    const bool wanted = !on_;
    const bool now = setOn(wanted);
    Announcer& news = panel_.aids().announcer();
    if (now != wanted)
        news.say(QStringLiteral("Verify by ear needs an audio input (see --audio-input)"));
    else
        news.say(now ? QStringLiteral("Verify by ear on") : QStringLiteral("Verify by ear off"));
}

void Verifier::follow(record::Moved moved)
{
    // Only inside an action can the wait be served and stopped.
    if (!on_ || !panel_.runner().running())
        return;
    line_.awaitReading(moved == record::Moved::goTo ? HeardLine::Reading::checked
                                                    : HeardLine::Reading::plain);
    // The capture is on before the key goes down, as for the operator's press.
    listener_.listen();
    try {
        panel_.Command1_Click();
    } catch (...) {
        listener_.cancel();
        line_.giveUp(QStringLiteral("the annun-ciate press failed"));
        throw;
    }
    using std::chrono::steady_clock;
    const auto bound = steady_clock::now() + std::chrono::milliseconds(Listener::longestMs + readingMs);
    while (listener_.listening()) {
        const bool stopped = panel_.stopRequested();
        if (stopped || steady_clock::now() >= bound) {
            listener_.cancel();
            line_.giveUp(stopped ? QStringLiteral("stopped while listening")
                                 : QStringLiteral("no reading in time"));
            return;
        }
        panel_.serveUntil(steady_clock::now() + ActionRunner::serveInterval);
    }
}
