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

// The window's client area.
constexpr QSize clientArea{4455 / perPixel, 3810 / perPixel};

} // namespace twips
