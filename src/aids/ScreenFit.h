#pragma once
// Keeping a window on the screen it is on: its frame inside the screen's
// available geometry (the screen less panels and docks).

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace screenfit
{

// What a window manager's frame is taken to add to a window's size until the
// window system has told the real frame: a title bar and thin borders.
inline constexpr QSize estimatedFrame{8, 40};

// Where a frame of `frame`'s size goes to lie inside `room`: `frame`'s own
// top-left where it already fits, else moved in no further than needed. A
// frame larger than `room` keeps its top-left corner inside.
QPoint placeInside(const QRect& frame, const QRect& room);

// The available geometry of the screen `window` is on, or would open on.
QRect roomFor(const QWidget& window);

// What the window manager's frame adds to `window`'s size: as the window
// system reports it once the window is up, estimatedFrame before that (and
// while no frame has been reported).
QSize frameExtra(const QWidget& window);

// The window's frame as it is, or is expected to be once shown.
QRect frameRect(const QWidget& window);

// The largest zoom, from max down to min percent in steps of `step`, at
// which a client area of `base` pixels at 100 % (scaled down to whole pixels)
// with `frame` added lies within `room`; min when none does.
int largestZoom(QSize base, QSize frame, QSize room, int min, int max, int step);

} // namespace screenfit
