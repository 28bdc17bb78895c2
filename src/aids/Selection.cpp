#include "aids/Selection.h"

#include <QPalette>
#include <QWidget>

namespace selection
{

QColor background()
{
    // The style's own hue, darkened until white on it reads.
    return QColor(0x1f, 0x6f, 0xa3);
}

QColor text()
{
    return QColor(Qt::white);
}

void apply(QWidget& panel)
{
    QPalette palette = panel.palette();
    // Both colours are set: a desktop palette may pair its highlight with dark text.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, background());
        palette.setColor(group, QPalette::HighlightedText, text());
    }
    panel.setPalette(palette);
}

} // namespace selection
