// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlanSensorList.h"
#include "app/PlanView.h"

#include <QMimeData>

namespace vatrel {

PlanSensorList::PlanSensorList(QWidget* parent) : QListWidget(parent) {
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void PlanSensorList::addSensor(const QString& text, quint32 number) {
    auto* item = new QListWidgetItem(text, this);
    item->setData(Qt::UserRole, number);
}

QStringList PlanSensorList::mimeTypes() const { return {QString::fromLatin1(PlanView::kSensorMime)}; }

QMimeData* PlanSensorList::mimeData(const QList<QListWidgetItem*>& items) const {
    if (items.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(PlanView::kSensorMime),
                  QByteArray::number(items.first()->data(Qt::UserRole).toUInt()));
    return mime;
}

} // namespace vatrel
