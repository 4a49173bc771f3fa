// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/PortChoice.h"

namespace vatrel {

QString PortChoice::name(int index) {
    if (index >= 0 && index < kPortCount - 1) return QStringLiteral("COM") + QString::number(index + 1);
    return QString();
}

QStringList PortChoice::names() {
    QStringList list;
    for (int i = 0; i < kPortCount; ++i)
        list << name(i);
    return list;
}

void PortChoice::choose(int index) {
    if (index == m_index) return;
    m_index = index;
    m_line.changed(View::PortChoice);
    m_line.converterChanged();
}

void PortChoice::restore(int index) {
    const bool changed = index != m_index;
    m_index = index;
    m_line.changed(View::PortChoice);
    if (changed) m_line.converterChanged();
}

} // namespace vatrel
