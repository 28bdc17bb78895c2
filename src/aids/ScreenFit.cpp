#include "aids/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace screenfit
{

QPoint placeInside(const QRect& frame, const QRect& room)
{
    const int x = std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width()));
    const int y = std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height()));
    return {x, y};
}

QRect roomFor(const QWidget& window)
{
    // Where most of it is: the screen under its middle.
    const QScreen* screen = QGuiApplication::screenAt(window.frameGeometry().center());
    if (!screen)
        screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QSize frameExtra(const QWidget& window)
{
    const QSize reported = window.frameGeometry().size() - window.size();
    // Before it is shown a window has no frame yet, and a window manager
    // reparents a new window a moment after it is shown.
    if (!window.isVisible() || reported.isNull())
        return estimatedFrame;
    return reported;
}

QRect frameRect(const QWidget& window)
{
    return {window.pos(), window.size() + frameExtra(window)};
}

int largestZoom(QSize base, QSize frame, QSize room, int min, int max, int step)
{
    for (int zoom = max; zoom > min; zoom -= step) {
        const QSize client(base.width() * zoom / 100, base.height() * zoom / 100);
        if (client.width() + frame.width() <= room.width() &&
            client.height() + frame.height() <= room.height())
            return zoom;
    }
    return min;
}

} // namespace screenfit
