// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/TextGridModel.h"

namespace vatrel {

// StringGridCOM: per-position link counts. Column 0 (the position number) looks like a fixed cell.
class ComGridModel : public TextGridModel {
    Q_OBJECT
public:
    using TextGridModel::TextGridModel;
    QVariant data(const QModelIndex& index, int role) const override;
};

} // namespace vatrel
