#pragma once
// The one way into the record for everything beyond the window's own
// handlers: the display edits, Take, the remote peer, the heard line and the
// screen reader's news read the record here, change it here and ask for
// actions here. The window's handlers work on its controls directly; nothing
// else does.
//
// The record: the transmit and receive frequencies (the texts of "Xmit freq"
// and "Rcv freq"), the step in force, RIT, and the model chosen with the
// range it sets. A display under edit still holds the record as the program
// last wrote it: what the operator has typed there is no record until it is
// committed.
//
// The guard, one for every way in: a frequency is accepted when "E" would
// tune to it (a model chosen, 540..25000 kHz and the model's limits, on the
// 50 Hz grid), and a change of the record only when transmit and receive stay
// consistent with RIT (equal while it is off) and both pass. A refusal says
// why in the operator's words, and leaves the record as it was.

#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

class Corvane;
class QAbstractButton;
class QLineEdit;
class QTimer;

namespace record
{

enum class Display { transmit, receive };

// What a move that has just ended was: "E" (by its button, its keys, a
// remote press or goTo) or a model chosen in the list.
enum class Moved { goTo, model };

struct Record {
    int64_t transmitHz = 0;
    int64_t receiveHz = 0;
    int16_t stepHz = 0; // 200 or 50
    bool rit = false;
    QString model;      // as in the list; empty before the first choice
    int16_t lowKhz = 0; // what "E" accepts; both 0 before the first choice
    int16_t highKhz = 0;
};

// The panel as the operator sees it, texts as committed: what news of an
// action and a remote reader are told, whether or not the displays hold
// frequencies.
struct Shown {
    QString transmit;   // "Xmit freq", kHz
    QString receive;    // "Rcv freq", kHz
    QString entry;      // "Freq entry", as typed
    QString encoder;    // "Encoder", as chosen
    int16_t stepHz = 0; // 200 or 50
    bool rit = false;
    int16_t lowKhz = 0; // what "E" accepts; both 0 before the first choice
    int16_t highKhz = 0;
};

// What a remote front panel shows: all the window shows, texts committed.
struct PanelView {
    Shown shown;          // the displays, the entry, RIT
    QString step;         // the step caption, " 50 Hz steps R" say
    QString speed;        // "Low", "High", or empty before a choice
    QString model;        // as in the list; empty before the first choice
    QString heard;        // the heard line
    QString held;         // the control shown held down during a run, by name; empty when none runs
    bool canTake = false; // Take would take something
    bool running = false; // an action runs
};

class RecordDoor : public QObject
{
public:
    // Becomes a child of `panel`.
    explicit RecordDoor(Corvane& panel);

    // ---- Reading ----
    // The record as it stands, or nothing while a display holds no frequency.
    std::optional<Record> record() const;
    Shown shown() const;
    // The committed text of a display: its text unless the operator is editing
    // it, else what the program last wrote there.
    QString committedText(Display display) const;
    // The frequency "E" works from, kHz: receive with RIT on, transmit
    // otherwise. Throws numtext::ConversionError naming the display when it
    // holds no number.
    double workingKhz() const;

    // ---- The guard ----
    // Why a frequency (kHz) may not become the record now, or nothing.
    std::optional<QString> refusal(double khz) const;
    // The same for a text typed by the operator.
    std::optional<QString> refusal(const QString& typed) const;

    // ---- Changing ----
    // An edit of a display that has ended (Enter, or the focus left it). Runs
    // as an action: with RIT off both displays take an accepted frequency, with
    // RIT on only the edited one; a refused one puts the display back to the
    // record as it stands and fails with a message naming the display. An edit
    // the program overwrote before its turn came is gone, and does nothing.
    void commitEdit(Display display);
    // The rig's transmit frequency, heard, made the record (receive moves with
    // it when RIT is on). Call inside an action: throws ConversionError with
    // the reason when the guard refuses, changing nothing. Writes nothing to
    // the port.
    void take(int64_t rigHz);

    // "E" on khz, planned from the record as it stands, leaving the operator's
    // entry as it was however it ends. Call inside an action; throws as "E".
    void goTo(double khz);

    // Chooses the model named as in the list ("KRV-40"), as a click on it
    // would: the record goes to its QRP frequency. False, changing nothing,
    // when the list has no such model.
    bool chooseModel(const QString& name);

    // ---- Actions ----
    // Queues `action` behind whatever runs; see Corvane::queueAction.
    void ask(std::function<void()> action);
    // `follow` is called as the last part of the action, after each "E" that
    // had a frequency to go to and ran to its end unstopped, and after each
    // model chosen in the list: its work is the action's (served, stoppable by
    // Esc; what it throws is the action's failure). Empty: nothing follows.
    // A handler called directly is followed by nothing.
    void followMoves(std::function<void(Moved moved)> follow);

    // ---- A remote front panel ----
    // The controls press() knows, by their remote names: "up1" "dn1" "up5"
    // "dn5" "up25" "dn25" "up125" "dn125" "up500" "dn500" "up5k" "dn5k",
    // "step" (Step size), "annun", "rit-on", "rit-off", "0".."9" "." "C" "E",
    // "CHU" "WWV" "QRP" "W1AW", "low" "high" (step speed), "take".
    static bool knows(const QString& name);
    // Presses the named control as a click on it would, never inside the
    // caller: presses wait, in the order made, until nothing runs and nothing
    // waits in the runner, and each then runs as that click, its button shown
    // held down during a run. A disabled control (Take with nothing heard)
    // does nothing. false for an unknown name, which changes nothing.
    bool press(const QString& name);
    // Presses not yet played.
    int pressesWaiting() const { return static_cast<int>(presses_.size()); }
    // As Esc: the running action stops after the step or key press under way.
    void stop();
    PanelView view() const;
    // Calls `heard` with each piece of news a screen reader is given and each
    // failed action's message, for as long as `context` lives.
    void onNews(QObject* context, std::function<void(const QString& news)> heard);

    static QString displayName(Display display);

private:
    friend class ::Corvane; // its "E" button and model list end their actions here
    // "E" on the entry as its button runs it, then what follows a move.
    void enter();
    // After the model's action, inside it.
    void modelChosen();
    void playPresses();
    QString heldName() const;
    // The kHz "E" would tune to for a typed text, or nothing.
    std::optional<double> accepted(const QString& typed) const;
    QLineEdit* widget(Display display) const;
    void setRecord(const QString& transmit, const QString& receive);

    Corvane& panel_;
    std::function<void(Moved)> follow_;
    std::deque<QString> presses_;
    QTimer* pressTimer_ = nullptr;
};

} // namespace record
