// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/TimedDisarms.h"

#include <QDateTime>
#include <QDialog>

class QButtonGroup;
class QDateTimeEdit;

namespace vatrel {

class CoreDoor;

// "Снять Ш1 на время…": until when a loop is taken off guard. 15 min, 1 h, 4 h, 8 h, or until a
// date and time. Enter takes the choice ("Снять"), Escape cancels; the arrow keys move between the
// choices, and the date and time entry chooses "до" as soon as it is edited.
class TimedDisarmDialog : public QDialog {
    Q_OBJECT
public:
    // For loop `loop` of sensor `number`; `now` is the console's time (the entry starts an hour later).
    TimedDisarmDialog(quint32 number, int loop, const QDateTime& now, QWidget* parent = nullptr);

    TimedDisarmChoice choice() const;

    // The table's menu item: the selected sensor's loop. The core says whether it may be disarmed on
    // a timer, the window asks until when, the core disarms.
    static void disarmSelected(CoreDoor& door, QWidget* parent, int loop);
    // The alarm window's button: the loop of the sensor whose number the operator typed.
    static void disarmEntered(CoreDoor& door, QWidget* parent, const QString& number, int loop);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QButtonGroup* m_choices = nullptr; // id: minutes, 0 for "до"
    QDateTimeEdit* m_until = nullptr;
};

} // namespace vatrel
