// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Alarms.h"
#include "registry/DateTime.h"
#include "registry/EventLog.h"
#include "registry/Storage.h"

namespace vatrel {

namespace {

// The loop's armed flag of a sensor record (loop 1 or 2).
quint8& armedFlag(SensorRecord& r, int loop) {
    return loop == 1 ? r.loop1_armed : r.loop2_armed;
}

// Parses the operator's sensor number: a whole signed 32-bit decimal number, taken as the same
// 32 bits the connect dialog stores (so "-5" names the sensor connected as -5). Anything else
// (letters, a fraction, overflow) gives 0, which matches no sensor.
quint32 parseSensorNumber(const QString& text) {
    bool ok = false;
    const qint32 n = text.trimmed().toInt(&ok, 10);
    return ok ? quint32(n) : 0;
}

} // namespace

void alarmWindowCreate(Console& c) {
    AlarmList& a = c.alarms;
    a.grid.set(0, 0, QStringLiteral("  Дата и время"));
    a.grid.set(1, 0, QStringLiteral("  Событие"));
    a.alarm_sound_path = c.data_dir + QStringLiteral("/Error.wav");
    a.sound_on = false;
    c.changed(ConsoleUi::View::AlarmList);
}

void AddAlarmMessage(Console& c, const EventRecord& rec) {
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
    AddAlarmMessage(c, rec);
    if (c.ui) c.ui->showAlarmWindow();
}

void BitBtnAllOtboyClick(Console& c) {
    AlarmList& a = c.alarms;
    for (int row = 1; row < a.grid.rowCount(); ++row) {
        a.grid.set(0, row, QString());
        a.grid.set(1, row, QString());
    }
    a.alarm_total = 0;
    a.LabelNumAlarm = QStringLiteral("0");
    a.alarm_rows = 0;
    a.grid.setRowCount(2);

    // Stopped even when nothing is flagged as playing: acknowledging must always end in silence.
    if (c.ui) c.ui->stopAlarmSound();
    a.sound_on = false;
    c.changed(ConsoleUi::View::AlarmList);
    // Hiding the window is the window's own part of the acknowledgment.
}

void disarmFromAlarmWindow(Console& c, int loop) {
    if (loop != 1 && loop != 2) return;
    const quint32 number = parseSensorNumber(c.alarms.LabeledEdit1);
    if (number == 0) return;
    const int slot = find_slot(c, number);
    if (slot < 0) return;

    SensorRecord& s = c.sensors[size_t(slot)];
    quint8& flag = armedFlag(s, loop);
    if (flag == 0) return;
    flag = 0;
    saveLastingState(c, s); // the file first, the event after

    Put_msg(c, sensorEvent(c, armCode(false, loop), s.factory_number, s.sensor_type), s.sensor_type);

    c.sensor_grid.set(loop == 1 ? colArmed1 : colArmed2, slot + 1, QStringLiteral("Снят"));
    if (s.loop1_armed == 0 && s.loop2_armed == 0) setRowColour(c, slot, colours::aqua);
    c.changed(ConsoleUi::View::SensorGrid);
    feedSensor(c, slot);
}

} // namespace vatrel
