// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/TextGridModel.h"
#include "registry/Console.h"

#include <QFont>

namespace vatrel {

// StringGrid2: the event list. Model row i shows grid row i + 1 with the style entry i.
class EventListModel : public TextGridModel {
    Q_OBJECT
public:
    explicit EventListModel(const Console& c, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    RowLook rowLook(int row) const override;

private:
    const Console& m_c;
    const QFont m_usualFont; // the lines nearly always use the one size
};

} // namespace vatrel
