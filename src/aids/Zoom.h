#pragma once
// Zoom: the whole panel, places, sizes and fonts, scaled together, so that the
// layout keeps its proportions and every caption keeps fitting its control;
// the RIT circles and the drop-down arrows of Port and Encoder grow with it.
// The window has a fixed size and cannot scroll, so the zoom in force goes no
// further than the screen it is on holds, its frame and the desktop's panels
// counted (standard error and the screen reader say so when that stops a
// zoom), and the window is kept wholly on that screen. The zoom asked for is
// kept apart, so that a small screen's limit does not stick to the window on
// a larger one.

#include <QHash>
#include <QObject>
#include <QRect>
#include <QSize>

class Announcer;
class Corvane;
class QWidget;
class ZoomStyle;

class Zoom : public QObject
{
    Q_OBJECT
public:
    // Percent; the keys move it by step between min and max.
    static constexpr int min = 100, max = 300, step = 25;

    // Takes the panel's places and sizes as they are now as 100 %.
    Zoom(Corvane& panel, Announcer& announcer, QObject* parent);

    // In force: the zoom asked for, as far as the screen holds it.
    int percent() const { return percent_; }
    // Asked for last, min..max, whatever the screen holds.
    int asked() const { return asked_; }
    // Asks for `percent` (clamped to min..max) and says the zoom in force.
    void set(int percent);
    // The keys: `steps` steps from the zoom in force. A step the screen cannot
    // hold is said and changes nothing, the zoom asked for included.
    void stepBy(int steps);

signals:
    // The zoom in force, or the zoom asked for, has changed (or been asked again).
    void changed(int percent);

private:
    int fitting() const;
    // The zoom asked for, as far as the screen holds it; says so when `say`
    // or when the zoom in force changes.
    void fit(bool say);
    void sayLimit(int wanted);
    void keepOnScreen();

    Corvane& panel_;
    Announcer& announcer_;
    ZoomStyle* style_ = nullptr;
    int percent_ = min;
    int asked_ = min;
    bool screenWatched_ = false;
    QSize fittedFrame_;           // the frame the last fit counted
    QHash<QWidget*, QRect> base_; // at 100 %
};
