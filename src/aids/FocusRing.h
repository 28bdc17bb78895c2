#pragma once
// A focus ring that can be seen: the style's own is a 1 px line of little
// contrast. It is drawn over the focused control, after the control itself.

#include <QColor>
#include <QObject>

class QWidget;

class FocusRing : public QObject
{
public:
    // Rings every control of `panel` that takes the focus, from now on.
    FocusRing(QWidget& panel, QObject* parent);

    // Width in pixels and colour, drawn over every focused control.
    static constexpr int width = 2;
    static QColor colour();
};
