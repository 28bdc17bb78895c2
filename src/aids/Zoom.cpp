#include "aids/Zoom.h"

#include "aids/Announcer.h"
#include "aids/PanelAids.h"
#include "aids/ScreenFit.h"
#include "panel/Corvane.h"
#include "panel/EventHook.h"
#include "panel/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
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

// The style's radio circles and drop-down arrows keep their size whatever the
// font's: these grow with the zoom.
class ZoomStyle : public QProxyStyle
{
public:
    // A base of its own: a proxy takes over its base's proxy().
    ZoomStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    void setPercent(int percent) { percent_ = percent; }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        const int pixels = QProxyStyle::pixelMetric(metric, option, widget);
        switch (metric) {
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
        case PM_RadioButtonLabelSpacing:
            return scaled(pixels, percent_);
        default:
            return pixels;
        }
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override
    {
        QRect r = QProxyStyle::subControlRect(control, option, sub, widget);
        if (control != CC_ComboBox || (sub != SC_ComboBoxArrow && sub != SC_ComboBoxEditField))
            return r;
        // The arrow's button widens into the edit field.
        const QRect arrow = QProxyStyle::subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget);
        const int grow = scaled(arrow.width(), percent_) - arrow.width();
        const bool arrowLeft = option->direction == Qt::RightToLeft;
        if (sub == SC_ComboBoxArrow)
            return arrowLeft ? r.adjusted(0, 0, grow, 0) : r.adjusted(-grow, 0, 0, 0);
        return arrowLeft ? r.adjusted(grow, 0, 0, 0) : r.adjusted(0, 0, -grow, 0);
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        if (control != CC_ComboBox || !combo || !(combo->subControls & SC_ComboBoxArrow)) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        QStyleOptionComboBox rest = *combo;
        rest.subControls &= ~SC_ComboBoxArrow;
        QProxyStyle::drawComplexControl(control, &rest, painter, widget);

        // The base style's arrow, 14 by 8 pixels at 100 %, in the button
        // text's colour at full strength.
        const QRect button = subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget);
        const qreal width = std::min<qreal>(scaled(14, percent_), button.width() - 4);
        const qreal height = width * 8 / 14;
        const QPointF centre = QRectF(button).center();
        const QPolygonF arrow{{centre.x() - width / 2, centre.y() - height / 2},
                              {centre.x() + width / 2, centre.y() - height / 2},
                              {centre.x(), centre.y() + height / 2}};
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(option->palette.color(QPalette::ButtonText));
        painter->drawPolygon(arrow);
        painter->restore();
    }

private:
    int percent_ = Zoom::min;
};

int Corvane::zoomPercent() const
{
    return aids_->zoom().percent();
}

void Corvane::setZoomPercent(int percent)
{
    aids_->zoom().set(percent);
}

Zoom::Zoom(Corvane& panel, Announcer& announcer, QObject* parent)
    : QObject(parent), panel_(panel), announcer_(announcer), style_(new ZoomStyle)
{
    style_->setParent(this);
    for (QWidget* w :
         std::initializer_list<QWidget*>{panel_.RIT_ON, panel_.RIT_OFF, panel_.Port, panel_.Encoder})
        w->setStyle(style_);
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
            if (event->type() == QEvent::Move && panel_.isVisible() &&
                screenfit::frameExtra(panel_) != fittedFrame_) {
                QTimer::singleShot(0, this, [this] { fit(false); });
                return false;
            }
            if (event->type() != QEvent::Show)
                return false;
            if (QWindow* window = panel_.windowHandle(); window && !screenWatched_) {
                screenWatched_ = true;
                connect(window, &QWindow::screenChanged, this, [this] { fit(false); });
            }
            QTimer::singleShot(0, this, [this] { fit(false); });
            return false;
        },
        this));
}

int Zoom::fitting() const
{
    return screenfit::largestZoom(twips::clientArea, screenfit::frameExtra(panel_),
                                  screenfit::roomFor(panel_).size(), min, max, step);
}

void Zoom::set(int percent)
{
    asked_ = std::clamp(percent, min, max);
    fit(true);
}

void Zoom::stepBy(int steps)
{
    const int wanted = std::clamp(percent_ + steps * step, min, max);
    if (wanted > percent_ && wanted > fitting()) {
        sayLimit(wanted);
        return;
    }
    set(wanted);
}

void Zoom::fit(bool say)
{
    const int before = percent_;
    fittedFrame_ = screenfit::frameExtra(panel_);
    percent_ = std::min(asked_, fitting());
    style_->setPercent(percent_);
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
        const QPoint inside =
            screenfit::placeInside(screenfit::frameRect(panel_), screenfit::roomFor(panel_));
        if (inside != panel_.pos())
            panel_.move(inside);
    }
    if (say || percent_ != before) {
        if (percent_ < asked_)
            sayLimit(asked_);
        else
            announcer_.say(QStringLiteral("Zoom %1 percent").arg(percent_));
    }
    emit changed(percent_);
}

void Zoom::sayLimit(int wanted)
{
    const QString note = QStringLiteral("Zoom %1 percent, the most this screen holds; %2 percent asked")
                             .arg(percent_)
                             .arg(wanted);
    std::fprintf(stderr, "corvane: %s\n", qPrintable(note));
    announcer_.say(note);
}
