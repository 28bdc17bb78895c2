#include "aids/TabStop.h"

#include "panel/EventHook.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>

void keepTabStopOnChecked(QButtonGroup& group)
{
    const auto onChecked = [&group] {
        for (QAbstractButton* b : group.buttons()) {
            const Qt::FocusPolicy policy = b->focusPolicy();
            b->setFocusPolicy(b->isChecked() ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                             : Qt::FocusPolicy(policy & ~Qt::TabFocus));
        }
    };
    onChecked();
    QObject::connect(&group, &QButtonGroup::buttonToggled, &group, onChecked);
    // A button taking the focus takes the Tab stop along (Qt's own rule), the
    // unchecked one too when the mouse gives it the focus: set back on leaving.
    auto* hook = new EventHook(
        [onChecked](QObject*, QEvent* event) {
            if (event->type() == QEvent::FocusOut)
                onChecked();
            return false;
        },
        &group);
    for (QAbstractButton* b : group.buttons())
        b->installEventFilter(hook);
}
