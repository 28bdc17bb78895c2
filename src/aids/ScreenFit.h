#pragma once
// Keeping a window on the screen it is on: its frame inside the screen's
// available geometry (the screen less panels and docks).

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace screenfit
{

// Where a frame of `frame`'s size goes to lie inside `room`: `frame`'s own
// top-left where it already fits, else moved in no further than needed. A
// frame larger than `room` keeps its top-left corner inside.
QPoint placeInside(const QRect& frame, const QRect& room);

// The available geometry of the screen `window` is on, or would open on.
QRect roomFor(const QWidget& window);

// What the window manager's frame adds to `window`'s size (nothing before it
// is shown, or without a window manager).
QSize frameExtra(const QWidget& window);

} // namespace screenfit
