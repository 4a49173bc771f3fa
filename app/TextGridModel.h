#pragma once
#include "registry/TextGrid.h"

#include <QAbstractTableModel>

namespace vatrel {

// A read-only table model over a TextGrid whose row 0 is the header: grid row r is model row r - 1
// and the header texts come from row 0. The grid is read live; refresh() tells the views.
class TextGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TextGridModel(const TextGrid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Re-reads the grid's row count and repaints every cell.
    void refresh();
    // The header texts are written once, at start-up.
    void refreshHeaders();

protected:
    const TextGrid& m_grid;

private:
    int shownRows() const;
    int m_rows = 0;
};

} // namespace vatrel
