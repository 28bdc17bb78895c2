#pragma once
// The panel is laid out in twips, 1/1440 inch: 15 twips to a pixel at 96 dpi.
// Qt's own high-DPI scaling takes the logical pixels on to larger screens.

#include <QRect>
#include <QSize>

namespace twips {

constexpr int perPixel = 15;
constexpr int toPixels(int twips) { return twips / perPixel; }
constexpr QRect toPixels(const QRect& r)
{
    return {toPixels(r.x()), toPixels(r.y()), toPixels(r.width()), toPixels(r.height())};
}

// The rig's panel proper, and below it the line that says what was heard from the rig.
constexpr int panelHeight = 3810, heardStrip = 510;

// The window's client area.
constexpr QSize clientArea{4455 / perPixel, (panelHeight + heardStrip) / perPixel};

} // namespace twips
