#pragma once
// A push button whose caption wraps inside the button between words; a word
// too wide for the button is never broken: in a tall, narrow button ("W1AW")
// the caption is turned to read upwards instead. QPushButton itself never wraps.

#include <QPushButton>
#include <QSizeF>

class CaptionButton : public QPushButton
{
    Q_OBJECT
public:
    CaptionButton(const QString& caption, QWidget* parent);

    // The room the caption has inside the button's bevel.
    QRect captionRect() const;

    // How `text` is laid out in `room` with `font`, the way the button paints
    // it: its size in lines no wider than the room (along the room's height
    // when turned), and whether every word stayed whole on its line.
    struct Plan {
        bool turned = false;
        QSizeF size; // width along the lines, height across them
        bool wordsWhole = true;
    };
    static Plan plan(const QFont& font, const QString& text, const QSize& room);

protected:
    void paintEvent(QPaintEvent* event) override;
};
