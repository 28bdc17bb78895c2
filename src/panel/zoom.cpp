// Zoom: the whole panel, places, sizes and fonts, scaled together, so that the
// layout keeps its proportions and every caption keeps fitting its control.
#include "panel/Corvane.h"
#include "panel/PanelAids.h"
#include "panel/Twips.h"

#include <QComboBox>

#include <algorithm>
#include <cmath>

namespace {

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

void PanelAids::setZoom(int percent)
{
    zoom_ = std::clamp(percent, minZoom, maxZoom);
    // Fonts scale down to whole pixels, never up, so a caption grows no faster
    // than the room it has.
    setFontPixels(&panel_, scaled(Corvane::panelFontPixels, zoom_));
    for (QComboBox* combo : {panel_.Port, panel_.Encoder})
        setFontPixels(combo, scaled(Corvane::panelFontPixels - 1, zoom_));
    for (auto it = baseGeometry_.cbegin(); it != baseGeometry_.cend(); ++it)
        it.key()->setGeometry(scaled(it.value(), zoom_));
    panel_.setFixedSize(scaled(twips::clientArea.width(), zoom_), scaled(twips::clientArea.height(), zoom_));
    emit zoomChanged(zoom_);
}
