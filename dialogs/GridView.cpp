// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/GridView.h"

#include <QAccessible>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace vatrel {

namespace {
bool sendsShifts(const QAbstractItemModel* model) {
    return model && model->metaObject()->indexOfSignal("rowsShifted(int,int,int)") >= 0;
}
} // namespace

void GridView::setModel(QAbstractItemModel* model) {
    if (sendsShifts(this->model()))
        disconnect(this->model(), SIGNAL(rowsShifted(int, int, int)), this, SLOT(shiftRows(int, int, int)));
    QTableView::setModel(model);
    if (sendsShifts(model))
        connect(model, SIGNAL(rowsShifted(int, int, int)), this, SLOT(shiftRows(int, int, int)));
}

void GridView::shiftRows(int first, int last, int count) {
    if (!isVisible() || !model() || first < 0 || last >= model()->rowCount() || first >= last || count <= 0)
        return;
    const int top = rowViewportPosition(first);
    const int bottom = rowViewportPosition(last) + rowHeight(last);
    const QRect area = QRect(0, top, viewport()->width(), bottom - top).intersected(viewport()->rect());
    if (area.isEmpty()) return;
    // Moving the picture is right only for rows of one height; a tool that reads the view aloud is
    // told of each changed cell, as the stock view tells it.
    const bool evenRows = rowHeight(first) == rowHeight(last) &&
                          verticalHeader()->sectionResizeMode(first) != QHeaderView::ResizeToContents;
    if (QAccessible::isActive() || !evenRows) {
        dataChanged(model()->index(first, 0), model()->index(last, model()->columnCount() - 1));
        return;
    }
    const qint64 dy = qint64(count) * rowHeight(last);
    // Selected cells that keep their place while their texts move: their highlight cannot go with the
    // picture.
    if (dy >= area.height() || (!m_selectionMoves && selectionModel() && selectionModel()->hasSelection())) {
        viewport()->update(area);
        return;
    }
    viewport()->scroll(0, -int(dy), area); // what comes in at the bottom is painted
    // The focus frame of the current cell moved up with the picture; it is drawn again where it belongs.
    if (currentIndex().isValid()) {
        const QRect current = visualRect(currentIndex());
        viewport()->update(current);
        viewport()->update(current.translated(0, -int(dy)));
    }
}

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
