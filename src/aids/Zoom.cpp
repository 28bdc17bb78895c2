#include "aids/Zoom.h"

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
    return aids_->zoom().percent();
}

void Corvane::setZoomPercent(int percent)
{
    aids_->zoom().set(percent);
}

Zoom::Zoom(Corvane& panel, Announcer& announcer, QObject* parent)
    : QObject(parent), panel_(panel), announcer_(announcer)
{
    for (QWidget* w : panel_.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        base_.insert(w, w->geometry());
    keepOnScreen();
}

void Zoom::keepOnScreen()
{
    // The window manager's frame is known only once the window is up, and the
    // window may be taken to a smaller screen: the fit is made again then.
    panel_.installEventFilter(new EventHook(
        [this](QObject*, QEvent* event) {
            if (event->type() != QEvent::Show)
                return false;
            if (QWindow* window = panel_.windowHandle(); window && !screenWatched_) {
                screenWatched_ = true;
                connect(window, &QWindow::screenChanged, this, [this] { set(percent_); });
            }
            QTimer::singleShot(0, this, [this] { set(percent_); });
            return false;
        },
        this));
}

int Zoom::fitting() const
{
    const QSize room = screenfit::roomFor(panel_).size();
    const QSize extra = screenfit::frameExtra(panel_);
    for (int zoom = max; zoom > min; zoom -= step) {
        const QSize client(scaled(twips::clientArea.width(), zoom), scaled(twips::clientArea.height(), zoom));
        if (client.width() + extra.width() <= room.width() &&
            client.height() + extra.height() <= room.height())
            return zoom;
    }
    return min;
}

void Zoom::set(int percent)
{
    const int wanted = std::clamp(percent, min, max);
    percent_ = std::min(wanted, fitting());
    // Fonts scale down to whole pixels, never up, so a caption grows no faster
    // than the room it has.
    setFontPixels(&panel_, scaled(Corvane::panelFontPixels, percent_));
    for (QComboBox* combo : {panel_.Port, panel_.Encoder})
        setFontPixels(combo, scaled(Corvane::panelFontPixels - 1, percent_));
    for (auto it = base_.cbegin(); it != base_.cend(); ++it)
        it.key()->setGeometry(scaled(it.value(), percent_));
    panel_.setFixedSize(scaled(twips::clientArea.width(), percent_),
                        scaled(twips::clientArea.height(), percent_));
    if (panel_.isWindow()) {
        const QPoint inside = screenfit::placeInside(panel_.frameGeometry(), screenfit::roomFor(panel_));
        if (inside != panel_.pos())
            panel_.move(inside);
    }
    if (percent_ < wanted) {
        const QString note = QStringLiteral("Zoom %1 percent, the most this screen holds; %2 percent asked")
                                 .arg(percent_)
                                 .arg(wanted);
        std::fprintf(stderr, "corvane: %s\n", qPrintable(note));
        announcer_.say(note);
    }
    emit changed(percent_);
}
