// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"

namespace vatrel {

// The sensor table's selected cell (row 1 … 200 are the sensors' rows; 0 is the header) and whether
// the selection is painted. A change is announced as the table's.
class TableSelection {
public:
    void connect(const ChangeNotices* notices) { m_notices.connect(notices); }

    int row() const { return m_row; }
    int column() const { return m_column; }
    // The slot of the selected row; -1 when no sensor's row is selected.
    int slot() const { return m_row >= 1 && m_row <= kSlots ? m_row - 1 : -1; }
    void select(int column, int row);
    void selectRow(int row) { select(m_column, row); }

    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool on);

private:
    NoticeLine m_notices;
    int m_row = 0;
    int m_column = 0;
    bool m_highlighted = false;
};

} // namespace vatrel
