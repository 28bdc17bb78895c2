#pragma once
// Verify by ear: with it on, every "E" (its button, its keys, a remote press,
// a remote move) ends with an annunciate press and a reading of the rig's
// answer, set against the record in the heard line ("Arrived, verified by
// ear: ..." or "The rig says 7041.0; Take? ..."); and a model chosen in the
// list asks the rig where it is, offering what it heard as an annunciate
// press would (the record stands until taken). Without it nothing changes.
//
// The press and the wait for the reading are the last part of the move's
// action: the program is served meanwhile, Esc (or the stop press) ends the
// wait with the record as it stands, and the outcome is the action's last
// news. The wait lasts until the listener has read or failed, which it does
// within its own bounds (Listener::longestMs and the reading); a reading
// later still than readingMs after that is given up.
//
// Verify goes on only while the panel listens. Alt+V switches it and says
// how it stands, as news.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class Corvane;
class HeardLine;
class Listener;
class QShortcut;
namespace record
{
class RecordDoor;
enum class Moved;
} // namespace record

class Verifier : public QObject
{
public:
    static constexpr int readingMs = 10'000;

    // Becomes a child of `parent`; the panel, listener and line must outlive it.
    Verifier(Corvane& panel, Listener& listener, HeardLine& line, QObject* parent);
    ~Verifier() override;

    bool on() const { return on_; }
    // Whether it could go on: the panel listens.
    bool canVerify() const;
    // Switches it; it goes on only when it can. Returns whether it is on.
    bool setOn(bool on);
    // At start-up (asker: "--verify" or "remembered"): on when it
    // can, else standard error says so, once a run.
    void startOn(const char* asker);

    // Told each change of on(), with the new state.
    std::function<void(bool on)> onSwitched;

private:
    void follow(record::Moved moved);
    void toggle();

    Corvane& panel_;
    Listener& listener_;
    HeardLine& line_;
    QPointer<record::RecordDoor> door_;
    QPointer<QShortcut> key_;
    bool on_ = false;
    bool cannotSaid_ = false;
};
