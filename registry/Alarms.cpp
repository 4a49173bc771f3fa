// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Alarms.h"
#include "registry/DateTime.h"

namespace vatrel {

void alarmWindowCreate(Console& c) {
    AlarmList& a = c.alarms;
    a.grid.set(0, 0, QStringLiteral("  Дата и время"));
    a.grid.set(1, 0, QStringLiteral("  Событие"));
    a.alarm_sound_path = c.data_dir + QStringLiteral("/Error.wav");
    a.sound_on = false;
    c.changed(ConsoleUi::View::AlarmList);
}

void appendAlarm(Console& c, const EventRecord& rec) {
    AlarmList& a = c.alarms;
    if (!a.sound_on) {
        if (c.ui) c.ui->playAlarmSound(a.alarm_sound_path);
        a.sound_on = true;
    }

    // The last grid row is the one to fill: the empty bottom row, or row 500 once the list is full.
    const int r = qBound(1, a.grid.rowCount() - 1, kAlarmListMax);
    if (a.alarm_rows >= kAlarmListMax) a.grid.scrollUp(1, r);
    a.grid.set(0, r, formatDateTime(rec.time));
    a.grid.set(1, r, rec.text);

    if (a.alarm_rows < kAlarmListMax) {
        ++a.alarm_rows;
        if (a.alarm_rows < kAlarmListMax) a.grid.setRowCount(r + 2);
    }

    ++a.alarm_total;
    a.LabelNumAlarm = QString::number(a.alarm_total);
    c.changed(ConsoleUi::View::AlarmList);
}

void raiseAlarm(Console& c, const EventRecord& rec) {
    appendAlarm(c, rec);
    if (c.ui) c.ui->showAlarmWindow();
}

} // namespace vatrel
