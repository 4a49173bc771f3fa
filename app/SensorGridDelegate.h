// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogs/TextLayoutDelegate.h"
#include "registry/TableSelection.h"

namespace vatrel {

// Draws the sensor table's cells. The selected cell is painted yellow only once the operator has
// clicked into the table; before that it keeps its row colour.
class SensorGridDelegate : public TextLayoutDelegate {
    Q_OBJECT
public:
    // `selection` says whether the selected cell is painted; null: never.
    SensorGridDelegate(const TableSelection* selection, QObject* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const TableSelection* m_selection;
};

} // namespace vatrel
