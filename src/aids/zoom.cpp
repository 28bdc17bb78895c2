// Zoom: the whole panel, places, sizes and fonts, scaled together, so that the
// layout keeps its proportions and every caption keeps fitting its control.
// The window has a fixed size and cannot scroll, so the zoom goes no further
// than the screen it is on holds, and the window is kept on that screen.
#include "aids/Announcer.h"
#include "aids/PanelAids.h"
#include "aids/ScreenFit.h"
#include "panel/Corvane.h"
#include "panel/EventHook.h"
#include "panel/Twips.h"

#include <QComboBox>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

int scaled(int pixels, int percent)
{
    return pixels * percent / 100;
}

QRect scaled(const QRect& r, int percent)
{
    return {scaled(r.x(), percent), scaled(r.y(), percent), scaled(r.width(), percent),
            scaled(r.height(), percent)};
}

void setFontPixels(QWidget* w, int pixels)
{
    QFont f = w->font();
    f.setPixelSize(std::max(1, pixels));
    w->setFont(f);
}

} // namespace

int Corvane::zoomPercent() const
{
    return aids_->zoom();
}

void Corvane::setZoomPercent(int percent)
{
    aids_->setZoom(percent);
}

void PanelAids::keepBaseLayout()
{
    for (QWidget* w : panel_.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        baseGeometry_.insert(w, w->geometry());
}

void PanelAids::keepOnScreen()
{
    // The window manager's frame is known only once the window is up, and the
    // window may be taken to a smaller screen: the fit is made again then.
    panel_.installEventFilter(new EventHook(
        [this](QObject*, QEvent* event) {
            if (event->type() != QEvent::Show)
                return false;
            if (QWindow* window = panel_.windowHandle(); window && !screenWatched_) {
                screenWatched_ = true;
                connect(window, &QWindow::screenChanged, this, [this] { setZoom(zoom_); });
            }
            QTimer::singleShot(0, this, [this] { setZoom(zoom_); });
            return false;
        },
        this));
}

int PanelAids::fittingZoom() const
{
    const QSize room = screenfit::roomFor(panel_).size();
    const QSize extra = screenfit::frameExtra(panel_);
    for (int zoom = maxZoom; zoom > minZoom; zoom -= zoomStep) {
        const QSize client(scaled(twips::clientArea.width(), zoom), scaled(twips::clientArea.height(), zoom));
        if (client.width() + extra.width() <= room.width() &&
            client.height() + extra.height() <= room.height())
            return zoom;
    }
    return minZoom;
}

void PanelAids::setZoom(int percent)
{
    const int wanted = std::clamp(percent, minZoom, maxZoom);
    zoom_ = std::min(wanted, fittingZoom());
    // Fonts scale down to whole pixels, never up, so a caption grows no faster
    // than the room it has.
    setFontPixels(&panel_, scaled(Corvane::panelFontPixels, zoom_));
    for (QComboBox* combo : {panel_.Port, panel_.Encoder})
        setFontPixels(combo, scaled(Corvane::panelFontPixels - 1, zoom_));
    for (auto it = baseGeometry_.cbegin(); it != baseGeometry_.cend(); ++it)
        it.key()->setGeometry(scaled(it.value(), zoom_));
    panel_.setFixedSize(scaled(twips::clientArea.width(), zoom_), scaled(twips::clientArea.height(), zoom_));
    if (panel_.isWindow()) {
        const QPoint inside = screenfit::placeInside(panel_.frameGeometry(), screenfit::roomFor(panel_));
        if (inside != panel_.pos())
            panel_.move(inside);
    }
    if (zoom_ < wanted) {
        const QString note = QStringLiteral("Zoom %1 percent, the most this screen holds; %2 percent asked")
                                 .arg(zoom_)
                                 .arg(wanted);
        std::fprintf(stderr, "corvane: %s\n", qPrintable(note));
        if (announcer_)
            announcer_->say(note);
    }
    emit zoomChanged(zoom_);
}
