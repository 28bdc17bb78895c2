#include "panel/CaptionButton.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

namespace
{

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

bool wordsFit(const QFont& font, const QString& text, qreal width)
{
    const QFontMetricsF metrics(font);
    // Words as the layout breaks them: at spaces, and after a hyphen ("annun-ciate").
    static const QRegularExpression breaks(QStringLiteral("\\s+|(?<=-)"));
    for (const QString& word : text.split(breaks, Qt::SkipEmptyParts))
        if (metrics.horizontalAdvance(word) > width)
            return false;
    return true;
}

} // namespace

CaptionButton::CaptionButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

QRect CaptionButton::captionRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

CaptionButton::Plan CaptionButton::plan(const QFont& font, const QString& text, const QSize& room)
{
    Plan p;
    p.turned = room.height() > room.width() && !wordsFit(font, text, room.width());
    const qreal along = p.turned ? room.height() : room.width();
    p.wordsWhole = wordsFit(font, text, along);
    QTextLayout layout(text, font);
    p.size = layOut(layout, along);
    return p;
}

void CaptionButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect room = captionRect();
    const Plan p = plan(font(), text(), room.size());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    QTextLayout layout(text(), font());
    if (!p.turned) {
        layOut(layout, room.width());
        layout.draw(&painter, QPointF(room.left(), room.top() + (room.height() - p.size.height()) / 2));
        return;
    }
    // Read from below, as a caption along a tall button's side is.
    layOut(layout, room.height());
    painter.translate(room.left() + (room.width() - p.size.height()) / 2, room.bottom() + 1);
    painter.rotate(-90);
    layout.draw(&painter, QPointF(0, 0));
}
