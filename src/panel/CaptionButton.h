#pragma once
// A push button whose caption wraps inside the button: between words where it
// can, anywhere inside a word that is wider than the button (the tall, narrow
// "W1AW"). QPushButton itself never wraps.

#include <QPushButton>
#include <QSizeF>

class CaptionButton : public QPushButton {
    Q_OBJECT
public:
    CaptionButton(const QString& caption, QWidget* parent);

    // The room the caption has inside the button's bevel.
    QRect captionRect() const;

    // Size of `text` laid out in lines no wider than `width` with `font`, the
    // way the button paints it. Shared with the check that every caption fits.
    static QSizeF wrappedSize(const QFont& font, const QString& text, qreal width);

protected:
    void paintEvent(QPaintEvent* event) override;
};
