// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QListWidget>

namespace vatrel {

// The sensors not yet on the shown plan, while it is edited: each is dragged onto the plan by its
// factory number.
class PlanSensorList : public QListWidget {
    Q_OBJECT
public:
    explicit PlanSensorList(QWidget* parent = nullptr);
    // One line per sensor; the item's data is its factory number.
    void addSensor(const QString& text, quint32 number);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
};

} // namespace vatrel
