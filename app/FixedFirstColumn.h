// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>

class QTableView;

namespace vatrel {

// Keeps the first column of a table in place while the other columns scroll sideways, and out of
// the selection: a fixed column, as the position numbers of the sensor table are. A second view of
// the same model lies over the table's left edge and shows that column only.
class FixedFirstColumn : public QObject {
    Q_OBJECT
public:
    explicit FixedFirstColumn(QTableView* table);

    QTableView* view() const { return m_fixed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QTableView* m_table;
    QTableView* m_fixed;
};

} // namespace vatrel
