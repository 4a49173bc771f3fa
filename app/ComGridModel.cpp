// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ComGridModel.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>

namespace vatrel {

ComGridModel::ComGridModel(const ConverterLink& link, QObject* parent)
    : QAbstractTableModel(parent), m_link(link) {
    for (int s = 0; s < kSlots; ++s)
        m_shown[size_t(s)] = shownOf(s);
}

int ComGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kSlots; }

int ComGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString ComGridModel::linkText(SlotLink link) {
    switch (link) {
    case SlotLink::Up:
        return QStringLiteral("Есть связь");
    case SlotLink::Lost:
        return QStringLiteral("Нет связи");
    case SlotLink::NotShown:
        break;
    }
    return QString();
}

QString ComGridModel::cellText(const ConverterLink& link, int slot, int column) {
    if (slot < 0 || slot >= kSlots) return QString();
    const SlotDiagnostics& d = link.slotDiagnostics(slot);
    switch (column) {
    case 0:
        return QString::number(slot + 1);
    case 1:
        return d.countsShown ? QString::number(link.slotCount(SlotCount::ChecksumErrors, slot)) : QString();
    case 2:
        return d.countsShown ? QString::number(link.slotCount(SlotCount::Timeouts, slot)) : QString();
    case 3:
        return linkText(d.link);
    default:
        return QString();
    }
}

QVariant ComGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return cellText(m_link, index.row(), index.column());
    if (index.column() == 0) {
        if (role == Qt::FontRole) {
            QFont f;
            f.setBold(true);
            return f;
        }
        if (role == Qt::BackgroundRole) return QGuiApplication::palette().color(QPalette::Button);
    }
    return {};
}

QVariant ComGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case 0:
        return QStringLiteral("№ позиции");
    case 1:
        return QStringLiteral("Ошибки КС");
    case 2:
        return QStringLiteral("Тайм-ауты");
    case 3:
        return QStringLiteral("Связь с преобразователем");
    default:
        return QString();
    }
}

Qt::ItemFlags ComGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

ComGridModel::Shown ComGridModel::shownOf(int slot) const {
    const ConverterLink& link = m_link;
    return {link.slotDiagnostics(slot), link.slotCount(SlotCount::ChecksumErrors, slot),
            link.slotCount(SlotCount::Timeouts, slot)};
}

void ComGridModel::refresh() {
    for (int s = 0; s < kSlots; ++s) {
        const Shown now = shownOf(s);
        if (now == m_shown[size_t(s)]) continue;
        m_shown[size_t(s)] = now;
        emit dataChanged(index(s, 1), index(s, 3), {Qt::DisplayRole});
    }
}

} // namespace vatrel
