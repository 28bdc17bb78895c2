#include "panel/CaptionButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

namespace {

// Lays `text` out in lines of at most `width`; returns the lines' bounding size.
QSizeF layOut(QTextLayout& layout, qreal width)
{
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0, widest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return {widest, height};
}

} // namespace

CaptionButton::CaptionButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

QRect CaptionButton::captionRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

QSizeF CaptionButton::wrappedSize(const QFont& font, const QString& text, qreal width)
{
    QTextLayout layout(text, font);
    return layOut(layout, width);
}

void CaptionButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect room = captionRect();
    QTextLayout layout(text(), font());
    const QSizeF size = layOut(layout, room.width());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const qreal top = room.top() + (room.height() - size.height()) / 2;
    layout.draw(&painter, QPointF(room.left(), top));
}
