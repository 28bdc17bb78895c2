// A list's cursor keys during a run: the key itself waits for the run like
// any input that may act on the rig, but the list's cursor moves at once, so
// that the operator can read the items meanwhile. At the run's end the cursor
// goes back to where it was before the held keys are played, so that each
// key moves it exactly as it would have with the panel idle.
#include "panel/Corvane.h"

#include <QKeyEvent>
#include <QListWidget>

#include <algorithm>

namespace
{

// The row a cursor key moves to from `row`, or -1 for no cursor key.
int browsedRow(const QListWidget& list, const QKeyEvent& key, int row)
{
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return -1;
    const int last = list.count() - 1;
    switch (key.key()) {
    case Qt::Key_Up:
        return std::max(0, row - 1);
    case Qt::Key_Down:
        return std::min(last, row + 1);
    case Qt::Key_Home:
    case Qt::Key_PageUp:
        return 0;
    case Qt::Key_End:
    case Qt::Key_PageDown:
        return last;
    default:
        return -1;
    }
}

} // namespace

void Corvane::browseHeldKey(QObject* receiver, QEvent* event)
{
    auto* list = qobject_cast<QListWidget*>(receiver);
    if (event->type() != QEvent::KeyPress || (list != KRV && list != speed) || list->count() == 0)
        return;
    const int row = std::max(0, list->currentRow());
    // With nothing chosen yet, Up and Down take the item under the ring.
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (list->selectedItems().isEmpty() && (key.key() == Qt::Key_Up || key.key() == Qt::Key_Down))
        return;
    const int to = browsedRow(*list, key, row);
    if (to < 0 || to == row)
        return;
    if (std::none_of(browsedFrom_.begin(), browsedFrom_.end(), [list](const auto& b) { return b.first == list; }))
        browsedFrom_.emplace_back(list, list->currentRow());
    list->selectionModel()->setCurrentIndex(list->model()->index(to, 0), QItemSelectionModel::NoUpdate);
}

void Corvane::endBrowsing()
{
    for (const auto& [list, row] : browsedFrom_)
        list->selectionModel()->setCurrentIndex(list->model()->index(row, 0), QItemSelectionModel::NoUpdate);
    browsedFrom_.clear();
}
