#pragma once
// Keeps the displays quiet on the accessibility bus while an action runs.
//
// A run sets the displays' texts once per step: thousands of text and caret
// events that a screen reader queues and works through long after the run,
// deaf meanwhile to everything else. While the panel is busy those events of
// the displays are held back (through Qt's accessibility update handler, so
// the run itself does not know); when the action has ended, each display whose
// text changed sends one update, except the focused one, whose news the
// Announcer speaks instead. Name changes go out in the form screen readers
// speak (see SpokenName).

#include <QAccessible>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <vector>

class Corvane;
class QLineEdit;
class QWidget;

class QuietDisplays : public QObject
{
    Q_OBJECT
public:
    QuietDisplays(Corvane& panel, QList<QWidget*> displays, QObject* parent);
    ~QuietDisplays() override;

    // Events held back since start-up, and the updates `display` has sent
    // once actions ended (at most one an action): measures for tests.
    int heldBack() const { return heldBack_; }
    int sentAfterActions(const QWidget* display) const { return sent_.value(display); }

private:
    static void filter(QAccessibleEvent* event);
    bool holds(QAccessibleEvent* event);
    void ended();
    void send(QLineEdit* display, const QString& before);

    Corvane& panel_;
    QList<QWidget*> displays_;
    QHash<QWidget*, QString> changed_; // display -> its text before the action
    int heldBack_ = 0;
    QHash<const QWidget*, int> sent_;

    static std::vector<QuietDisplays*> live_;
    static QAccessible::UpdateHandler next_;
};
