// A focus ring that can be seen: the style's own is a 1 px line of little
// contrast. It is drawn over the focused control, after the control itself.
#include "panel/Corvane.h"
#include "panel/EventHook.h"
#include "panel/PanelAids.h"

#include <QAbstractScrollArea>
#include <QPaintEvent>
#include <QPainter>

QColor PanelAids::ringColour()
{
    return QColor(0x1a, 0x4f, 0xa0);
}

void PanelAids::setupFocusRing()
{
    ring_ = new EventHook(
        [this](QObject* watched, QEvent* event) {
            auto* target = static_cast<QWidget*>(watched);
            // The control on the panel: the target itself, or the list or
            // combo box whose viewport or line edit it is.
            QWidget* control = target->parentWidget() == &panel_ ? target : target->parentWidget();
            auto* area = qobject_cast<QAbstractScrollArea*>(control);
            switch (event->type()) {
            case QEvent::Paint:
                if (!control->hasFocus() || (control != target && !(area && target == area->viewport())))
                    return false;
                // Let the control paint first, then draw over it.
                static_cast<QObject*>(target)->event(event);
                return paintRing(target);
            case QEvent::FocusIn:
            case QEvent::FocusOut:
                control->update();
                if (area)
                    area->viewport()->update();
                return false;
            default:
                return false;
            }
        },
        this);
    for (QWidget* w : panel_.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (w->focusPolicy() == Qt::NoFocus)
            continue;
        w->installEventFilter(ring_);
        // A list paints its inside in its viewport, over the frame's inner edge.
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
            area->viewport()->installEventFilter(ring_);
        if (QWidget* proxy = w->focusProxy()) // a combo box's line edit takes its focus
            proxy->installEventFilter(ring_);
    }
}

bool PanelAids::paintRing(QWidget* target)
{
    QPainter painter(target);
    QPen pen(ringColour(), ringWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal half = ringWidth / 2.0;
    painter.drawRect(QRectF(target->rect()).adjusted(half, half, -half, -half));
    return true;
}
