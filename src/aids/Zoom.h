#pragma once
// Zoom: the whole panel, places, sizes and fonts, scaled together, so that the
// layout keeps its proportions and every caption keeps fitting its control.
// The window has a fixed size and cannot scroll, so the zoom goes no further
// than the screen it is on holds (standard error and the screen reader say so
// when a step is refused), and the window is kept wholly on that screen.

#include <QHash>
#include <QObject>
#include <QRect>

class Announcer;
class Corvane;
class QWidget;

class Zoom : public QObject
{
    Q_OBJECT
public:
    // Percent; the keys move it by step between min and max.
    static constexpr int min = 100, max = 300, step = 25;

    // Takes the panel's places and sizes as they are now as 100 %.
    Zoom(Corvane& panel, Announcer& announcer, QObject* parent);

    int percent() const { return percent_; }
    // Clamps to min..max and to what the screen holds.
    void set(int percent);

signals:
    void changed(int percent);

private:
    int fitting() const;
    void keepOnScreen();

    Corvane& panel_;
    Announcer& announcer_;
    int percent_ = min;
    bool screenWatched_ = false;
    QHash<QWidget*, QRect> base_; // at 100 %
};
