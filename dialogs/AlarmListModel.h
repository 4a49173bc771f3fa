// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogs/NumberedRows.h"
#include "registry/AlarmBoard.h"

#include <QAbstractTableModel>
#include <QFont>

namespace vatrel {

// The alarm window's list, read from the alarm board: one row per listed alarm, oldest first, the
// time and the event text (of a repeated one, how many and the newest's time), and while the list
// is not full one empty row at the bottom. A new alarm is red on yellow; one acknowledged is drawn
// plainly with who acknowledged it, when and why; one acknowledged and over is grey.
class AlarmListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit AlarmListModel(const AlarmBoard& board, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes up the board's alarms and tells the view of the rows that changed, and of nothing else: a
    // new alarm inserts a row instead of redrawing the list, and once the list is full its rows move
    // up (rowsShifted) instead of being drawn again.
    void refresh();
    // The alarms as the rows show them, taken at the last refresh: the board may be ahead of the rows.
    const AlarmBoard& shown() const { return m_shown; }
    // The newest alarm drawn (0: none yet), a repeat counted in its row included.
    quint64 lastShownId() const { return m_newestShown; }
    // The event column's text of an alarm.
    static QString eventText(const AlarmBoard::Alarm& alarm);
    // The event column's whole text: the event and what was done about it.
    static QString rowText(const AlarmBoard::Alarm& alarm);

signals:
    void rowsShifted(int first, int last, int count);

private:
    int boardRows() const;

    const AlarmBoard& m_board;
    AlarmBoard m_shown;
    const QFont m_font;
    const QFont m_plainFont; // an alarm already dealt with
    int m_rows = 0;
    NumberedRows m_ids; // the oldest and the newest alarm the view was told of
    quint64 m_layout = 0;
    quint64 m_marks = 0;
    quint64 m_newestShown = 0;
};

} // namespace vatrel
