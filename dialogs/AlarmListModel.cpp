// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/AlarmListModel.h"
#include "registry/DateTime.h"

#include <QColor>
#include <utility>

namespace vatrel {

namespace {
QFont listFont(bool bold) {
    QFont f(QStringLiteral("Tahoma"), 10);
    f.setBold(bold);
    return f;
}

QString clockTime(double days) { return fromDays(days).toString(QStringLiteral("HH:mm:ss")); }
} // namespace

AlarmListModel::AlarmListModel(const AlarmBoard& board, QObject* parent)
    : QAbstractTableModel(parent), m_board(board), m_shown(board), m_font(listFont(true)),
      m_plainFont(listFont(false)), m_rows(boardRows()),
      m_ids(board.isEmpty() ? 0 : board.alarms().front().id, board.isEmpty() ? 0 : board.alarms().back().id),
      m_layout(board.layout()), m_marks(board.marks()), m_newestShown(board.newestId()) {}

QString AlarmListModel::eventText(const AlarmBoard::Alarm& alarm) {
    if (alarm.repeats <= 1) return alarm.event.text;
    return alarm.event.text + QStringLiteral("  ×") + QString::number(alarm.repeats) +
           QStringLiteral(", последняя ") + clockTime(alarm.lastTime);
}

QString AlarmListModel::rowText(const AlarmBoard::Alarm& alarm) {
    QString text = eventText(alarm);
    if (alarm.state != AlarmBoard::State::New) {
        text += QStringLiteral("  — подтверждена ") + clockTime(alarm.ackTime);
        if (!alarm.ackOperator.isEmpty()) text += QStringLiteral(", ") + alarm.ackOperator;
        text += QStringLiteral(": ") + alarm.ackReason;
    }
    if (alarm.normalTime != 0) text += QStringLiteral("  — норма ") + clockTime(alarm.normalTime);
    return text;
}

int AlarmListModel::boardRows() const {
    return m_shown.rows() + (m_shown.rows() < kAlarmListMax ? 1 : 0); // the empty bottom row
}

int AlarmListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int AlarmListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant AlarmListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows) return {};
    switch (role) {
    case Qt::DisplayRole: {
        if (index.row() >= m_shown.rows()) return QString();
        const AlarmBoard::Alarm& alarm = m_shown.alarms()[size_t(index.row())];
        return index.column() == 0 ? formatDateTime(alarm.event.time) : rowText(alarm);
    }
    case Qt::BackgroundRole:
    case Qt::ForegroundRole:
    case Qt::FontRole: {
        using State = AlarmBoard::State;
        const State state =
            index.row() < m_shown.rows() ? m_shown.alarms()[size_t(index.row())].state : State::New;
        if (role == Qt::FontRole) return state == State::New ? m_font : m_plainFont;
        if (role == Qt::BackgroundRole) return QColor(state == State::New ? Qt::yellow : Qt::white);
        return QColor(state == State::New            ? Qt::red
                      : state == State::Acknowledged ? Qt::black
                                                     : Qt::darkGray);
    }
    default:
        return {};
    }
}

QVariant AlarmListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) {
        if (section == 0) return QStringLiteral("  Дата и время");
        if (section == 1) return QStringLiteral("  Событие");
        return {};
    }
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void AlarmListModel::refresh() {
    m_shown = m_board;
    const quint64 newestBefore = std::exchange(m_newestShown, m_shown.newestId());
    if (m_shown.layout() != m_layout) {
        // Rows went from the middle of the list: all of it is drawn anew.
        beginResetModel();
        m_layout = m_shown.layout();
        m_marks = m_shown.marks();
        m_rows = boardRows();
        const auto& alarms = m_shown.alarms();
        m_ids = NumberedRows(alarms.empty() ? 0 : alarms.front().id, alarms.empty() ? 0 : alarms.back().id);
        endResetModel();
        return;
    }
    const int rows = boardRows();
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows(QModelIndex(), rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }

    const auto& alarms = m_shown.alarms();
    const quint64 first = alarms.empty() ? 0 : alarms.front().id;
    const quint64 last = alarms.empty() ? 0 : alarms.back().id;
    // An acknowledgement or a whole list gone by is drawn again.
    const auto redraw = m_ids.update(first, last);
    if (redraw) {
        if (redraw->shifted > 0 && m_rows > 1) emit rowsShifted(0, m_rows - 1, redraw->shifted);
        if (redraw->firstChanged < m_rows)
            emit dataChanged(index(redraw->firstChanged, 0), index(m_rows - 1, 1));
    }
    // An acknowledgement, an alarm over or one new again: the rows are drawn again (at most 500).
    if (m_shown.marks() != m_marks) {
        m_marks = m_shown.marks();
        if (m_shown.rows() > 0) emit dataChanged(index(0, 0), index(m_shown.rows() - 1, 1));
    }
    // Rows drawn before that counted a repeat since: their event text changed.
    for (int row = 0; row < m_shown.rows(); ++row) {
        const AlarmBoard::Alarm& a = alarms[size_t(row)];
        if (a.id <= newestBefore && a.lastId > newestBefore) emit dataChanged(index(row, 1), index(row, 1));
    }
}

} // namespace vatrel
