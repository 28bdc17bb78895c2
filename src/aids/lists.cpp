// The model and speed lists from the keys: the item with the focus ring is
// the one the keys take, also when nothing has been chosen yet.
#include "aids/PanelAids.h"

#include <QKeyEvent>
#include <QListWidget>

#include <algorithm>

bool PanelAids::listKey(QListWidget* list, QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool first = key->key() == Qt::Key_Down || key->key() == Qt::Key_Up || key->key() == Qt::Key_Space;
    if (mods != Qt::NoModifier || !(enter || (first && list->selectedItems().isEmpty())))
        return false;
    // A list shows its ring on the first item before anything is chosen; the
    // list itself would move on from there, or take nothing at all.
    const int row = std::max(0, list->currentRow());
    if (list->count() > 0 && !list->item(row)->isSelected())
        list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    return true;
}
