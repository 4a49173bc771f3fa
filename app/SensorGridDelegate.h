// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogs/TextLayoutDelegate.h"

namespace vatrel {

// Draws the sensor table's cells. The selected cell is painted yellow only once the operator has
// clicked into the table; before that it keeps its row colour.
class SensorGridDelegate : public TextLayoutDelegate {
    Q_OBJECT
public:
    SensorGridDelegate(const bool& highlightOn, QObject* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const bool& m_highlightOn;
};

} // namespace vatrel
