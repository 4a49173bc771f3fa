// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/TextGridModel.h"
#include "registry/Console.h"

#include <QColor>
#include <QFont>

namespace vatrel {

// StringGrid1: the sensor table. Model row i shows grid row i + 1, i.e. slot i; column 0 (the
// position number) is drawn like a fixed cell.
class SensorGridModel : public TextGridModel {
    Q_OBJECT
public:
    explicit SensorGridModel(const Console& c, QObject* parent = nullptr);

    struct CellColours {
        QColor background;
        QColor font;
    };
    // Colours of a normal cell of grid row `row` (1 … 200). While an oscillogram runs every row but
    // the observed sensor's is drawn silver; the stored row styles stay untouched.
    CellColours StringGrid1GetCellColor(int row) const;

    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    RowLook rowLook(int row) const override;

private:
    const Console& m_c;
    const QFont m_cellFont;
    const QFont m_fixedFont;
};

} // namespace vatrel
