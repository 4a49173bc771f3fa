#include "dialogs/GridView.h"

#include <QAccessible>

namespace vatrel {

void GridView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles) {
    // One cell, or a tool that reads the view aloud (it is told of each change by the stock view):
    // the stock handling is right as it is.
    if (topLeft == bottomRight || !topLeft.isValid() || !bottomRight.isValid() || QAccessible::isActive()) {
        QTableView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    if (!isVisible()) return; // shown again, it is painted whole
    const QRect changed = visualRect(topLeft).united(visualRect(bottomRight)).intersected(viewport()->rect());
    if (!changed.isEmpty()) viewport()->update(changed);
}

} // namespace vatrel
