// A list draws its items in its viewport, a child that covers the frame's
// inner edge; its ring is a see-through child laid over the viewport.
#include "aids/FocusRing.h"

#include "panel/EventHook.h"

#include <QAbstractScrollArea>
#include <QPaintEvent>
#include <QPainter>

namespace
{

void paintRing(QWidget* target)
{
    QPainter painter(target);
    QPen pen(FocusRing::colour(), FocusRing::width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal half = FocusRing::width / 2.0;
    painter.drawRect(QRectF(target->rect()).adjusted(half, half, -half, -half));
}

// Shown only while its list has the focus; never takes the mouse.
class RingOverlay : public QWidget
{
public:
    explicit RingOverlay(QWidget* list) : QWidget(list)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setObjectName(QStringLiteral("focusRing"));
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override { paintRing(this); }
};

} // namespace

QColor FocusRing::colour()
{
    return QColor(0x1a, 0x4f, 0xa0);
}

FocusRing::FocusRing(QWidget& panel, QObject* parent) : QObject(parent)
{
    auto* ring = new EventHook(
        [&panel](QObject* watched, QEvent* event) {
            auto* target = static_cast<QWidget*>(watched);
            // The control on the panel: the target itself, or the combo box
            // whose line edit it is.
            QWidget* control = target->parentWidget() == &panel ? target : target->parentWidget();
            auto* overlay =
                control->findChild<QWidget*>(QStringLiteral("focusRing"), Qt::FindDirectChildrenOnly);
            switch (event->type()) {
            case QEvent::Paint:
                if (overlay || !control->hasFocus())
                    return false;
                // Let the control paint first, then draw over it.
                static_cast<QObject*>(target)->event(event);
                paintRing(target);
                return true;
            case QEvent::FocusIn:
            case QEvent::FocusOut:
            case QEvent::Resize:
                if (overlay) {
                    overlay->setGeometry(control->rect());
                    overlay->setVisible(control->hasFocus());
                    overlay->raise();
                }
                control->update();
                return false;
            default:
                return false;
            }
        },
        this);
    for (QWidget* w : panel.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (w->focusPolicy() == Qt::NoFocus)
            continue;
        w->installEventFilter(ring);
        if (qobject_cast<QAbstractScrollArea*>(w))
            new RingOverlay(w);
        if (QWidget* proxy = w->focusProxy()) // a combo box's line edit takes its focus
            proxy->installEventFilter(ring);
    }
}
