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
    return window.frameGeometry().size() - window.size();
}

} // namespace screenfit
