// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/TextGrid.h"

#include <QAbstractTableModel>
#include <vector>

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

    // Re-reads the grid's row count and tells the views of the cells whose text or row colours
    // changed since the last refresh, and of nothing else: an unchanged grid repaints nothing.
    void refresh();
    // The header texts are written once, at start-up.
    void refreshHeaders();

protected:
    // What a row's cells are drawn with beyond their texts (colours, font size); a row whose look
    // changed is repainted whole. Rows of a grid without row colours all look the same.
    struct RowLook {
        quint32 background = 0;
        quint32 font_colour = 0;
        qint32 font_size = 0;
        bool operator==(const RowLook&) const = default;
    };
    virtual RowLook rowLook(int /*row*/) const { return {}; }

    const TextGrid& m_grid;

private:
    int shownRows() const;
    int m_rows = 0;
    std::vector<RowLook> m_shownLooks; // rowLook() of each model row at the last refresh
    bool m_looksTaken = false;
};

} // namespace vatrel
