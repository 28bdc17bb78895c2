#pragma once
// Tells a screen reader, once, what each action did.
//
// Orca 43 and the other AT-SPI screen readers speak a change of the focused
// object's accessible name, and of no other object, and Qt 6.4 has no
// announcement of its own. So the focused control carries the news as its
// name. A reader reads that name afresh when it tells
// of a focus change, and keeps it: news put on a control within `settle` of
// its focus change would either be read as the control's name or, read
// meanwhile, be taken for a name already spoken. So news for a control whose
// focus is that fresh (a mouse press focuses the button it presses, leaving
// an edit commits it as the next control takes the focus) waits until the
// focus has settled, and then goes out in order on the control focused by
// then. A control gets its own name back when the focus comes back to it,
// before the focus change goes out, never as it is left: a name change of a
// control just left would be read as the news of the control still focused
// in the reader's eyes. Orca ignores name changes of list items and labels
// (the focused object in a list is its current item): with the focus there,
// the news goes out as a notice, which a reader speaks as it appears
// (NewsNotice). The news, after an action:
//   a step, a run, a model, a remote request: the record, "7040.2 kilohertz",
//     with RIT on "transmit 7040 kilohertz, receive 7041.3 kilohertz";
//   Step size: "50 hertz steps"; RIT: "RIT on, " and the record;
//   annunciate: "annunciate sent"; a keypad key, a preset, "C": the entry,
//     "Freq entry 7040" or "Freq entry empty";
//   "E": "going to 7040.2 kilohertz" as it starts, the record as it arrives,
//     or why it dropped the entry;
//   a zoom key: "Zoom 125 percent" (see Zoom).
// A failed action is not announced here: its message is the panel's
// actionFailed, which the program shows (and a screen reader reads).

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <functional>

class Corvane;
class QAbstractButton;
class NewsNotice;
class QTimer;
namespace record
{
struct Shown;
}
class QWidget;

class Announcer : public QObject
{
    Q_OBJECT
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    // How long after a focus change a reader may still be reading the
    // control's name, also behind the echoes of keys typed just before
    // (Orca 43 takes up to about a quarter of a second there). News held
    // across further focus changes (keypad clicks faster than this) goes out
    // after the last, in order.
    static constexpr std::chrono::milliseconds settle{500};

    Announcer(Corvane& panel, QObject* parent);
    void setClock(Clock clock) { clock_ = std::move(clock); }

    // Puts `text` on the focused control of the panel, if it has one, at
    // once or, while its focus is fresh, once it has settled; the same text
    // twice in a row is still spoken twice.
    void say(const QString& text);
    // Puts the news held for a fresh focus out now if the focus has settled
    // by the clock (as the settle timer does).
    void putHeld();
    // News said but not yet put on a control.
    int held() const { return static_cast<int>(held_.size()); }
    // What was said last (also when nothing had the focus to carry it).
    QString last() const { return last_; }

    // The record as spoken: "7040.2 kilohertz" or, with RIT on,
    // "transmit 7040 kilohertz, receive 7041.3 kilohertz".
    static QString record(const record::Shown& shown);
    // What "E" does with the entry shown at the model's limits, in the
    // operator's words: "going to 7040 kilohertz", or why it drops the entry
    // (`dropped` true); empty when it fails on it with a message of its own.
    static QString entryNews(const record::Shown& shown, bool& dropped);

signals:
    // Each say(), also when nothing had the focus to carry it.
    void said(const QString& text);

private:
    struct State {
        QString xmit, rcv, entry;
        bool rit = false;
        int stepHz = 0;
    };
    State now() const;
    void pressed(QAbstractButton* button);
    void ended();
    QString news(const State& before, const State& after) const;
    void focusMoved(QWidget* now);
    bool fresh() const;
    void put(QWidget* focused, const QString& text);
    void giveNameBack(QWidget* control);

    Corvane& panel_;
    State before_;                      // as the last action left it
    QPointer<QAbstractButton> pressed_; // the button of the action under way
    QString dropped_;                   // why the "E" under way drops its entry
    bool failed_ = false;
    QString last_;
    QHash<QWidget*, QString> ownNames_;               // controls carrying news, and their own names
    QHash<QWidget*, QString> spokenAs_;               // the last name each control was given with news
    Clock clock_;
    QPointer<QWidget> focused_; // as the last focus change left it
    TimePoint focusedAt_{};
    QStringList held_; // news waiting for the focus to settle, oldest first
    QTimer* settleTimer_;
    std::array<NewsNotice*, 3> notices_{}; // the news where the focused control's own changes are not spoken
    size_t nextNotice_ = 0;
};
