#pragma once
// A notice a screen reader speaks as it appears: the news for a focused
// control whose own changes a reader does not speak (a list's items, a label).
// Invisible on the screen and takes no focus; its parent keeps the mouse off
// it.

#include <QWidget>

class NewsNotice : public QWidget
{
    Q_OBJECT
public:
    explicit NewsNotice(QWidget* parent);
    // Shows `text` anew, spoken once even when it is the last text again.
    void tell(const QString& text);
};
