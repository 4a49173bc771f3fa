// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SensorGridDelegate.h"

namespace vatrel {

SensorGridDelegate::SensorGridDelegate(const TableSelection* selection, QObject* parent)
    : TextLayoutDelegate(parent), m_selection(selection) {}

void SensorGridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    TextLayoutDelegate::initStyleOption(option, index);
    if (!m_selection || !m_selection->highlighted()) {
        option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        return;
    }
    option->palette.setColor(QPalette::Highlight, Qt::yellow);
    option->palette.setColor(QPalette::HighlightedText, Qt::black);
}

} // namespace vatrel
