// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/OscControls.h"
#include "registry/SensorRowTexts.h"
#include "registry/SensorRows.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <array>

namespace vatrel {

// StringGrid1: the sensor table, made from the rows' state (SensorRowTexts). Model row i shows
// slot i; column 0 (the position number) is drawn like a fixed cell.
class SensorGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    SensorGridModel(const SensorRows& rows, const OscControls& osc, QObject* parent = nullptr);

    struct CellColours {
        QColor background;
        QColor font;
    };
    // Colours of a normal cell of grid row `row` (1 … 200). While an oscillogram runs every row but
    // the observed sensor's is drawn silver; the rows' own colours stay untouched.
    CellColours StringGrid1GetCellColor(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Tells the views of the cells whose texts changed since the last refresh, and of the whole rows
    // whose colour changed (or that the oscillogram dimmed or lit again); an unchanged table repaints
    // nothing.
    void refresh();
    void refreshHeaders() { emit headerDataChanged(Qt::Horizontal, 0, kSensorColumns - 1); }

private:
    struct Shown {
        SensorRow row;
        bool dimmed = false;
        bool operator==(const Shown&) const = default;
    };
    Shown shownOf(int slot) const;
    bool dimmed(int slot) const { return m_osc.slot() != -1 && m_osc.slot() != slot; }

    const SensorRows& m_rows;
    const OscControls& m_osc; // a running oscillogram dims the other rows
    const QFont m_cellFont;
    const QFont m_fixedFont;
    std::array<Shown, kSlots> m_shown{}; // what the views were last told of
};

} // namespace vatrel
