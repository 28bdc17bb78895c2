#pragma once
// Chosen items and selected text the operator can read: white on a dark blue,
// 5.4:1, where the style's own blue gives 3.7:1 (WCAG AA asks 4.5:1 for
// text). The same whether or not the control has the focus.

#include <QColor>

class QWidget;

namespace selection
{

QColor background();
QColor text();

// Puts them in the palette of `panel`, which its controls inherit.
void apply(QWidget& panel);

} // namespace selection
