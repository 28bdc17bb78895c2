#pragma once
// The line below the panel's controls that says what was heard from the rig,
// and its "Take" button (Alt+T). The line is reached by Tab and named by its
// text; each hearing's outcome is spoken once (see show).
//
// Each annunciate press starts the listener; what it reads is set against the
// record (hear/Verdict.h). Only when the rig's frequency differs can it be
// taken: that sets the record, the transmit display and receive as RIT allows
// (RIT off: the same; RIT on: moved by the same amount), runs as an action of
// the panel (so a screen reader hears the new record) and writes nothing to the
// port. Nothing else here changes the record. A change of the record made any
// other way makes the last reading old news: the line goes back to waiting;
// made while listening, it makes what is being heard old news too (the rig
// told its frequency at the press), and the line says so instead of a verdict.
//
// A reading an action waits for (the check after a move, hear/Verifier.h) is
// told as that action's last news: shown at once, spoken once the action has
// ended, after the action's own news.

#include "hear/Verdict.h"
#include "morse/Decoder.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Corvane;
class Listener;

class HeardLine : public QObject
{
public:
    // Becomes a child of `panel`; the listener must outlive it.
    HeardLine(Corvane& panel, Listener& listener);

    QString text() const;
    // The last verdict (Finding::Nothing before the first).
    const hear::Verdict& verdict() const { return verdict_; }

    // What the listener read: shown against the record as it stands now.
    void showHeard(const morse::Heard& heard);

    enum class Reading {
        plain,  // as an annunciate press
        checked // as the check of a move: hear::checkedText
    };
    // The next reading (or failure) is the one the running action waits for.
    void awaitReading(Reading reading);
    // The awaited reading was given up (why: "stopped while listening"): the
    // line says so, not as news, and nothing is offered.
    void giveUp(const QString& why);

    // Told every text the line shows.
    std::function<void(const QString& text)> onShown;

private:
    // news: a hearing's outcome, which a screen reader speaks once (the
    // waiting texts are shown and named only).
    void show(const QString& text, bool news = false);
    void idle();
    // A hearing's outcome: as the awaited reading, if one is.
    void tell(const QString& line);
    // Take enabled or not; a disabled Take hands its focus to Annunciate.
    void setTakeable(bool can);
    void take();
    void recordChanged();

    Corvane& panel_;
    Listener& listener_;
    hear::Verdict verdict_;
    bool taking_ = false;
    bool recordMoved_ = false; // since the press, while listening
    std::optional<Reading> awaited_;
    QString heldNews_; // said when the action that awaited it ends
};
