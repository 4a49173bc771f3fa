// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QTableView>

namespace vatrel {

// A table view that repaints only the cells a model reports as changed. The stock view repaints
// its whole viewport for any change wider than one cell, and with the sensor table refreshed ten
// times a second on a busy line that painting and text shaping was most of the program's work.
//
// A model that sends rowsShifted(int first, int last, int count) (a full list whose lines move up
// as new ones come) has the view move what it drew of those rows instead of drawing them again:
// only the rows that come in at the bottom are painted.
class GridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    void setModel(QAbstractItemModel* model) override;
    // The owner moves the selection with the rows it chose (they name items, not places): its
    // highlight can then move with the picture.
    void setSelectionMovesWithRows(bool on) { m_selectionMoves = on; }

public slots:
    void shiftRows(int first, int last, int count);

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    bool m_selectionMoves = false;
};

} // namespace vatrel
