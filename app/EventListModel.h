// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogs/NumberedRows.h"
#include "registry/EventList.h"

#include <QAbstractTableModel>
#include <QFont>

namespace vatrel {

// StringGrid2, the event list: one row per listed event, oldest first, its date and time and its
// text in the catalogue's colour of its code, and while the list is not full one empty row at the
// bottom.
class EventListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit EventListModel(const EventList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Takes up the list's events and tells the views of the rows that changed, and of nothing else:
    // a new event inserts a row instead of redrawing the list, and once the list is full its rows
    // move up (rowsShifted) and only the new ones are drawn.
    void refresh();
    // The header texts are the model's own; a view that was drawn before them asks again.
    void refreshHeaders() { emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1); }

    // The text of a cell: row 0 is the oldest event listed, the row below the newest one is empty.
    static QString cellText(const EventList& list, int row, int column);

signals:
    void rowsShifted(int first, int last, int count);

private:
    static constexpr int kColumns = 2;
    int listRows() const;

    const EventList& m_list;
    const QFont m_font; // every line, the header included
    int m_rows = 0;
    NumberedRows m_numbers; // the oldest and the newest event the views were told of
};

} // namespace vatrel
