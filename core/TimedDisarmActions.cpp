// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TimedDisarmActions.h"
#include "registry/Alarms.h"
#include "registry/ConsoleUi.h"
#include "registry/EventCatalogue.h"
#include "registry/OperatorCommands.h"

#include <QFile>
#include <utility>

namespace vatrel {

namespace {

quint8& armedFlag(SensorRecord& r, int loop) { return loop == 1 ? r.loop1_armed : r.loop2_armed; }

quint8 alarmFlag(const SensorRecord& r, int loop) { return loop == 1 ? r.loop1_alarm : r.loop2_alarm; }

// The same reading of a typed sensor number as the alarm window's disarm buttons (OperatorActions).
quint32 parseSensorNumber(const QString& text) {
    bool ok = false;
    const qint32 n = text.trimmed().toInt(&ok, 10);
    return ok ? quint32(n) : 0;
}

DisarmEnd disarmEnd(qint64 endMs, const QDateTime& now) {
    return DisarmEnd{endMs, QDateTime::fromMSecsSinceEpoch(endMs).date() != now.date()};
}

const QString kFileName = QStringLiteral("timed-disarm.dat");

} // namespace

bool TimedDisarmActions::mayDisarm(int slot, int loop) const {
    if (!SensorTable::isSlot(slot) || (loop != 1 && loop != 2)) return false;
    // The rules of the operator's own disarm: an empty position has no loops, a sensor off line is
    // left as it is until it answers again.
    if (!m_sensors.occupied(slot) || !m_sensors.isOnline(slot)) return false;
    const SensorRecord& s = m_sensors.record(slot);
    return (loop == 1 ? s.loop1_armed : s.loop2_armed) == 1 ||
           m_timers.end(s.factory_number, loop).has_value();
}

quint32 TimedDisarmActions::askSelected(int loop) const {
    const int slot = selectedSlot(m_selection);
    if (slot < 0) {
        m_notices.error(noSelectionText());
        return 0;
    }
    return mayDisarm(slot, loop) ? m_sensors.record(slot).factory_number : 0;
}

quint32 TimedDisarmActions::askSensor(const QString& number, int loop) const {
    const quint32 n = parseSensorNumber(number);
    if (n == 0) return 0;
    return mayDisarm(m_sensors.findSlot(n), loop) ? n : 0;
}

bool TimedDisarmActions::disarm(int slot, int loop, const TimedDisarmChoice& choice) {
    if (!mayDisarm(slot, loop)) return false;
    const QDateTime now = m_clock();
    const qint64 endMs = timedEndOf(choice, now);
    if (endMs <= now.toMSecsSinceEpoch()) {
        m_notices.error(QStringLiteral("Время окончания снятия с охраны уже прошло"));
        return false;
    }
    SensorRecord& s = m_sensors.record(slot);
    const quint32 number = s.factory_number;

    // The timer's file first: a disarm whose end could not be kept would outlive a restart.
    const std::optional<qint64> before = m_timers.end(number, loop);
    m_timers.set(number, loop, endMs);
    QString error;
    if (!m_timers.save(m_dataDir, &error)) {
        if (before)
            m_timers.set(number, loop, *before);
        else
            m_timers.remove(number, loop);
        m_notices.error(QStringLiteral("Не записан файл ") + kFileName + QStringLiteral(": ") + error +
                        QStringLiteral(". Шлейф не снят с охраны на время"));
        return false;
    }
    quint8& flag = armedFlag(s, loop);
    if (flag != 0) {
        flag = 0;
        m_store.saveLastingState(s); // the settings file first, the event after
    }

    const EventCode code = timedDisarmCode(loop);
    m_eventLog.logSensorEvent(m_eventLog.makeEvent(number, code,
                                                   m_duty.withOperator(eventText(code, number, s.sensor_type,
                                                                                 timedEndText(endMs, now)))),
                              s.sensor_type);

    m_sensorRows.setDisarmedUntil(slot, loop, disarmEnd(endMs, now));
    if (s.loop1_armed == 0 && s.loop2_armed == 0) m_sensorRows.setColour(slot, colours::aqua);
    return true;
}

bool TimedDisarmActions::disarmSelected(int loop, const TimedDisarmChoice& choice) {
    const int slot = selectedSlot(m_selection);
    if (slot < 0) {
        m_notices.error(noSelectionText());
        return false;
    }
    return disarm(slot, loop, choice);
}

bool TimedDisarmActions::disarmSensor(const QString& number, int loop, const TimedDisarmChoice& choice) {
    const quint32 n = parseSensorNumber(number);
    if (n == 0) return false;
    return disarm(m_sensors.findSlot(n), loop, choice);
}

bool TimedDisarmActions::saveTimers() {
    QString error;
    if (m_timers.save(m_dataDir, &error)) return true;
    m_notices.error(QStringLiteral("Не записан файл ") + kFileName + QStringLiteral(": ") + error);
    return false;
}

bool TimedDisarmActions::endTimer(quint32 number, int loop) {
    if (!m_timers.remove(number, loop)) return false;
    // Not written, the file still holds the timer: at the next start it is dropped when its loop is
    // armed, and arms a loop left disarmed. Either way the loop ends up no less guarded.
    saveTimers();
    m_timers.updateWarnings(m_clock().toMSecsSinceEpoch());
    return true;
}

bool TimedDisarmActions::endTimersOf(quint32 number) {
    if (!m_timers.removeSensor(number)) return false;
    saveTimers();
    m_timers.updateWarnings(m_clock().toMSecsSinceEpoch());
    return true;
}

void TimedDisarmActions::restore() {
    QString problem;
    if (!m_timers.load(m_dataDir, &problem)) {
        // What could not be read is kept for whoever looks into it; the next timed disarm writes a
        // new file and must not overwrite it.
        const QString path = TimedDisarms::filePath(m_dataDir);
        const QString aside = path + QStringLiteral(".bad");
        QFile::remove(aside);
        const bool kept = QFile::rename(path, aside);
        m_notices.error(
            QStringLiteral("Файл ") + kFileName + QStringLiteral(" не прочитан: ") + problem +
            QStringLiteral(". Снятия с охраны на время не восстановлены: проверьте шлейфы, снятые "
                           "с охраны. ") +
            (kept ? QStringLiteral("Файл сохранён как ") + kFileName + QStringLiteral(".bad")
                  : QStringLiteral("Файл будет заменён при следующем снятии на время")));
        return;
    }
    // A timer of a sensor the table no longer holds, or of a loop found armed, is stale.
    QList<TimedDisarm> kept;
    for (const TimedDisarm& t : m_timers.entries()) {
        const int slot = m_sensors.findSlot(t.number);
        if (m_sensors.occupied(slot) && armedFlag(m_sensors.record(slot), t.loop) == 0) kept << t;
    }
    m_timers.replace(kept);
    // The ends that passed while the program was off are armed at the first tick, after the start.
    showEnds(m_clock());
}

void TimedDisarmActions::showEnds(const QDateTime& now) {
    for (const TimedDisarm& t : m_timers.entries()) {
        const int slot = m_sensors.findSlot(t.number);
        if (m_sensors.occupied(slot)) m_sensorRows.setDisarmedUntil(slot, t.loop, disarmEnd(t.endMs, now));
    }
}

int TimedDisarmActions::armFlag(const TimedDisarm& t) {
    const int slot = m_sensors.findSlot(t.number);
    if (!m_sensors.occupied(slot)) return -1;
    SensorRecord& s = m_sensors.record(slot);
    quint8& flag = armedFlag(s, t.loop);
    if (flag == 1) return -1; // armed meanwhile: nothing to do
    flag = 1;
    m_store.saveLastingState(s);
    return slot;
}

void TimedDisarmActions::showArmed(int slot, int loop) {
    const SensorRecord& s = m_sensors.record(slot);
    // Not the operator's action: no operator's name, whoever is on duty.
    m_eventLog.logSensorEvent(m_eventLog.sensorEvent(timedArmCode(loop), s.factory_number, s.sensor_type),
                              s.sensor_type);
    m_sensorRows.setArmed(slot, loop, true);
    // Aqua says "normal, both loops disarmed"; an alarm, a fault or a lost link keeps its colour.
    if (m_sensorRows.colour(slot) == colours::aqua) m_sensorRows.setColour(slot, colours::green);

    // A loop in alarm as it is armed: its alarm, exactly as the report decoder raises an armed loop's
    // (Console::decoder). A sensor off line has no known loop state (its loops read "Тревога" until it
    // answers), so only a sensor on line is looked at.
    if (m_sensors.isOnline(slot) && alarmFlag(s, loop) == 1) {
        const EventRecord rec = m_eventLog.sensorEvent(loopAlarmCode(loop), s.factory_number, s.sensor_type);
        m_eventLog.logSensorEvent(rec, s.sensor_type);
        raiseAlarm(m_alarms, m_notices, rec);
    }
}

void TimedDisarmActions::onClockTick() {
    if (m_timers.isEmpty() && m_timers.warnings().isEmpty()) return;
    const QDateTime now = m_clock();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    const ChangeNotices::Gathering oncePerSensor(m_notices);
    const QList<TimedDisarm> due = m_timers.due(nowMs);
    if (!due.isEmpty()) {
        // The settings files first, then the timers' file, then the events: interrupted in between,
        // the next start finds the timers of loops already armed and drops them.
        QList<std::pair<int, int>> armed; // slot, loop
        for (const TimedDisarm& t : due) {
            m_timers.remove(t.number, t.loop);
            if (const int slot = armFlag(t); slot >= 0) armed.append({slot, t.loop});
        }
        saveTimers();
        for (const auto& [slot, loop] : armed)
            showArmed(slot, loop);
    }
    // The warning shows the window, without the sound: nothing is wrong yet.
    if (m_timers.updateWarnings(nowMs))
        if (ConsoleUi* ui = m_notices.windows()) ui->showAlarmWindow();
    showEnds(now); // "Снят до 09.12 14:30" becomes "Снят до 14:30" at midnight
}

} // namespace vatrel
