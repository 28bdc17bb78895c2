#pragma once
// What makes the panel usable without a mouse, without sight and on any
// screen: names and descriptions for screen readers, what each action did
// spoken once (Announcer), the displays quiet during runs (QuietDisplays), the
// key map, the lists from the keys, the wheel over the displays, a visible
// focus ring (FocusRing), chosen items in colours that read (Selection), Tab
// into the RIT pair on its checked button (TabStop), zoom fitted to the
// screen (Zoom), and edits of the frequency displays that count only when
// whole.
//
// Whatever it starts runs through the panel's click boundary, as a click does:
// a failure there becomes the panel's actionFailed, never a dialog of its own.

#include <QColor>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

class Announcer;
class Corvane;
class EventHook;
class QListWidget;
class QKeyEvent;
class QLineEdit;
class QWheelEvent;
class Zoom;
class QWidget;

class PanelAids : public QObject
{
    Q_OBJECT
public:
    // Becomes a child of `panel`; built once the panel has started up.
    explicit PanelAids(Corvane& panel);

    // Zoom of the whole panel (places, sizes, fonts), see Zoom.
    Zoom& zoom() { return *zoom_; }

    // What a screen reader was last told (see Announcer), e.g. "7040.2 kilohertz".
    QString announcement() const;
    Announcer& announcer() { return *announcer_; }

    // Commits or undoes the edits under way in "Xmit freq" and "Rcv freq", as
    // leaving them would. Called before any action the keys or wheel start.
    void settleEdits();

private:
    // names.cpp
    void describeControls();
    // keys.cpp
    void setupKeys();
    bool operatorKey(QWidget* target, QKeyEvent* key);
    bool stepKey(QWidget* target, QKeyEvent* key);
    // lists.cpp
    bool listKey(QListWidget* list, QKeyEvent* key);
    // wheel.cpp
    bool wheelOver(QWidget* target, QWheelEvent* wheel);
    // display_edit.cpp
    void setupDisplayEdits();
    void commitEdit(QLineEdit* display);

    Corvane& panel_;
    Zoom* zoom_ = nullptr;
    int wheelAngle_ = 0; // eighths of a degree not yet turned into a notch
    Announcer* announcer_ = nullptr;
    EventHook* keys_ = nullptr;
};
