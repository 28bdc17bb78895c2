#pragma once
// Tells a screen reader, once, what each action did.
//
// Orca 43 and the other AT-SPI screen readers speak a change of the focused
// object's accessible name, and of no other object; a description change is
// not spoken, and Qt 6.4 has no announcement of its own. So the focused control
// carries the news as its name until focus leaves it; then it gets its own name
// back (after the focus change has gone out, so that the old name is not read
// again). In a list the focused object is its current item, not the list: the
// item carries the news (until focus leaves the list or the news moves to
// another item). The news, after an action:
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

class Corvane;
class QAbstractButton;
class QListWidget;
class QListWidgetItem;
namespace record
{
struct Shown;
}
class QWidget;

class Announcer : public QObject
{
    Q_OBJECT
public:
    Announcer(Corvane& panel, QObject* parent);

    // Puts `text` on the focused control of the panel, if it has one; the
    // same text twice in a row is still spoken twice.
    void say(const QString& text);
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
    void giveNamesBack();
    void sayOnItem(QListWidget* list, const QString& text);
    void giveItemBack(QListWidget* list);

    Corvane& panel_;
    State before_;                      // as the last action left it
    QPointer<QAbstractButton> pressed_; // the button of the action under way
    QString dropped_;                   // why the "E" under way drops its entry
    bool failed_ = false;
    QString last_;
    QHash<QWidget*, QString> ownNames_; // controls carrying news, and their own names
    QHash<QWidget*, QString> spokenAs_; // the last name each control was given with news
    QHash<QListWidget*, QListWidgetItem*> newsItems_; // items carrying news, by their list
};
