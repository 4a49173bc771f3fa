// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ComGridModel.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>

namespace vatrel {

QVariant ComGridModel::data(const QModelIndex& index, int role) const {
    if (index.isValid() && index.column() == 0) {
        if (role == Qt::FontRole) {
            QFont f;
            f.setBold(true);
            return f;
        }
        if (role == Qt::BackgroundRole) return QGuiApplication::palette().color(QPalette::Button);
    }
    return TextGridModel::data(index, role);
}

} // namespace vatrel
