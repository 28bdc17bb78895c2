// A list's cursor keys during a run: the choice they make waits for the run
// like any input that may act on the rig, but the list's cursor moves at
// once, so that the operator can read the items meanwhile. What is held is
// the choice of the item the cursor went to: played after the run, it chooses
// what the operator heard, once, in its place among the held input.
#include "panel/Corvane.h"

#include <QKeyEvent>
#include <QListWidget>

#include <algorithm>

namespace
{

class ChooseRow : public QEvent
{
public:
    explicit ChooseRow(int row) : QEvent(type()), row(row) {}
    ChooseRow* clone() const override { return new ChooseRow(*this); }
    static QEvent::Type type()
    {
        static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
        return registered;
    }
    const int row;
};

// The row a cursor key takes the list to from `row`, or -1 for no such key.
// Page Up and Page Down are step keys, which do nothing on a list.
int browsedRow(const QListWidget& list, const QKeyEvent& key, int row)
{
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return -1;
    // With nothing chosen yet, Up and Down take the item under the ring.
    const bool none = list.selectedItems().isEmpty();
    switch (key.key()) {
    case Qt::Key_Up:
        return none ? row : std::max(0, row - 1);
    case Qt::Key_Down:
        return none ? row : std::min(list.count() - 1, row + 1);
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return list.count() - 1;
    default:
        return -1;
    }
}

} // namespace

bool Corvane::holdListChoice(QObject* receiver, QEvent* event)
{
    auto* list = qobject_cast<QListWidget*>(receiver);
    if (event->type() != QEvent::KeyPress || (list != KRV && list != speed) || list->count() == 0)
        return false;
    const int to = browsedRow(*list, static_cast<const QKeyEvent&>(*event), std::max(0, list->currentRow()));
    if (to < 0)
        return false;
    ChooseRow choice(to);
    if (!runner_.offer(list, &choice, ActionRunner::Input::Other))
        return false;
    if (to != list->currentRow())
        list->selectionModel()->setCurrentIndex(list->model()->index(to, 0), QItemSelectionModel::NoUpdate);
    return true;
}

bool Corvane::playListChoice(QObject* receiver, QEvent* event)
{
    auto* list = qobject_cast<QListWidget*>(receiver);
    if (event->type() != ChooseRow::type() || !list)
        return false;
    list->setCurrentRow(static_cast<const ChooseRow*>(event)->row, QItemSelectionModel::ClearAndSelect);
    return true;
}
