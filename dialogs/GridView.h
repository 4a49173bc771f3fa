#pragma once
#include <QTableView>

namespace vatrel {

// A table view that repaints only the cells a model reports as changed. The stock view repaints
// its whole viewport for any change wider than one cell, and with the sensor table refreshed ten
// times a second on a busy line that painting and text shaping was most of the program's work.
class GridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
};

} // namespace vatrel
