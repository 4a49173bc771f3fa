// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/OperatorActions.h"
#include "registry/AckReasons.h"
#include "registry/Alarms.h"
#include "registry/DateTime.h"
#include "link/Engine.h"
#include "link/Frame.h"
#include "link/Oscilloscope.h"
#include "core/Console.h"
#include "registry/EventLog.h"
#include "registry/NumberFormat.h"
#include "core/Startup.h"
#include "registry/Storage.h"

#include <cmath>

namespace vatrel {

namespace {

// The loop's armed flag of a sensor record (loop 1 or 2).
quint8& armedFlag(SensorRecord& r, int loop) { return loop == 1 ? r.loop1_armed : r.loop2_armed; }

// Parses the operator's sensor number: a whole signed 32-bit decimal number, taken as the same
// 32 bits the connect dialog stores (so "-5" names the sensor connected as -5). Anything else
// (letters, a fraction, overflow) gives 0, which matches no sensor.
quint32 parseSensorNumber(const QString& text) {
    bool ok = false;
    const qint32 n = text.trimmed().toInt(&ok, 10);
    return ok ? quint32(n) : 0;
}

void dcOutOfRange(const ChangeNotices& notices) {
    notices.error(QStringLiteral("Число вне допуска (1-4095); повторите ввод"));
}

void dcBadNumber(const ChangeNotices& notices) {
    notices.error(QStringLiteral("Вы ввели ошибочное число; повторите ввод"));
}

} // namespace

PopupMenuState OperatorActions::sensorMenuState() const {
    return vatrel::sensorMenuState(m_selection, m_sensors, m_notices, &m_timedDisarms);
}

DialogRequest OperatorActions::askSensorLog() const {
    return vatrel::askSensorLog(m_selection, m_sensors, m_notices);
}

// ---------------------------------------------------------------------------------------------
// Loops

// Arms (arm = true) or disarms one loop of the sensor in `slot`; the rule every window shares.
bool OperatorActions::changeLoop(int slot, int loop, bool arm) {
    if (slot < 0 || slot >= kSlots || (loop != 1 && loop != 2)) return false;
    SensorRecord& s = m_sensors.record(slot);
    // An empty position has no loops, whatever its link flag says; a sensor off line is left as it
    // is until it answers again.
    if (!m_sensors.isOnline(slot) || !s.occupied()) return false;
    quint8& flag = armedFlag(s, loop);
    // A loop disarmed until a set time may still be disarmed by hand: it then stays disarmed.
    const bool onTimer = m_timedDisarms.end(s.factory_number, loop).has_value();
    if (arm ? flag == 1 : flag == 0 && !onTimer) return false;
    if (flag != (arm ? 1 : 0)) {
        flag = arm ? 1 : 0;
        m_store.saveLastingState(s); // the file first, the event after
    }
    if (onTimer) timed().endTimer(s.factory_number, loop);

    const EventCode code = armCode(arm, loop);
    m_eventLog.logSensorEvent(
        m_eventLog.makeEvent(s.factory_number, code,
                             m_duty.withOperator(eventText(code, s.factory_number, s.sensor_type))),
        s.sensor_type);

    m_sensorRows.setArmed(slot, loop, arm);
    if (arm)
        m_sensorRows.setColour(slot, colours::green); // also over the alarm colour of a faulty sensor
    else if (s.loop1_armed == 0 && s.loop2_armed == 0)
        m_sensorRows.setColour(slot, colours::aqua);
    return true;
}

void OperatorActions::selectedLoop(int loop, bool arm) {
    const int slot = selectedSlot(m_selection);
    if (slot < 0) {
        m_notices.error(noSelectionText());
        return;
    }
    changeLoop(slot, loop, arm);
}

TimedDisarmActions OperatorActions::timed() {
    return TimedDisarmActions(m_timedDisarms, m_sensors, m_sensorRows, m_selection, m_duty, m_alarms,
                              m_eventLog, m_store, m_notices, m_clock, m_dataDir);
}

bool OperatorActions::armLoop(int slot, int loop) { return changeLoop(slot, loop, true); }

bool OperatorActions::disarmLoop(int slot, int loop) { return changeLoop(slot, loop, false); }

void OperatorActions::armSelectedLoop(int loop) { selectedLoop(loop, true); }

void OperatorActions::disarmSelectedLoop(int loop) { selectedLoop(loop, false); }

bool OperatorActions::disarmLoopOfSensor(const QString& number, int loop) {
    const quint32 n = parseSensorNumber(number);
    if (n == 0) return false;
    return disarmLoop(m_sensors.findSlot(n), loop);
}

// ---------------------------------------------------------------------------------------------
// Alarms

void OperatorActions::acknowledgeAllAlarms(quint64 lastSeenId) {
    const quint32 before = m_alarms.total();
    m_alarms.acknowledgeUpTo(lastSeenId);
    const quint32 cleared = before - m_alarms.total();
    if (cleared > 0 || m_alarms.isEmpty()) {
        const QString text =
            eventText(EventCode::AlarmsCleared, 0, 0, QStringLiteral("сброшено ") + QString::number(cleared));
        m_eventLog.logProgramEvent(
            m_eventLog.makeEvent(0, EventCode::AlarmsCleared, m_duty.withOperator(text)));
    }
    if (!m_alarms.isEmpty()) {
        // Alarms came in after the list the operator acknowledged was drawn: they were neither seen
        // nor acknowledged, so they stay, the sound goes on and the window comes forward with them.
        if (ConsoleUi* ui = m_notices.windows()) ui->showAlarmWindow();
        return;
    }
    m_alarms.acknowledgeAll();
    // Stopped even when nothing is flagged as playing: acknowledging must always end in silence.
    if (ConsoleUi* ui = m_notices.windows()) ui->stopAlarmSound();
    m_alarms.setSoundOn(false);
}

namespace {

// What an acknowledgement's event says after "Подтверждение тревоги: ": the alarm as listed and
// when, the reason and the comment. The comment gives way first when the record's text field cannot
// hold it all with the operator's name.
QString acknowledgementDetail(const AlarmBoard::Alarm& a, const QString& reason, QString comment,
                              int operatorRoom) {
    QString detail =
        a.event.text + QStringLiteral(" (") + fromDays(a.event.time).toString(QStringLiteral("HH:mm:ss"));
    if (a.repeats > 1)
        // "всего", not "×": the log's code page has no "×".
        detail += QStringLiteral(", всего ") + QString::number(a.repeats) + QStringLiteral(", последняя ") +
                  fromDays(a.lastTime).toString(QStringLiteral("HH:mm:ss"));
    detail += QStringLiteral("). Причина: ") + reason;
    const int room = EventRecord::kTextSize - 1 - operatorRoom -
                     int(eventText(EventCode::AlarmAcknowledged, 0, 0).size()) - int(detail.size());
    if (!comment.isEmpty() && room > 15)
        detail += QStringLiteral(". Комментарий: ") + cutAtCharacter(comment, room - 15);
    return detail;
}

// A comment as the record can hold it: one line, at most kAckCommentMax characters.
QString oneLine(const QString& text, int chars) {
    QString out = text.simplified();
    for (QChar& ch : out)
        if (ch.unicode() < 0x20) ch = u' ';
    return cutAtCharacter(out, chars);
}

} // namespace

int OperatorActions::acknowledgeAlarms(const AlarmAcknowledgement& ack) {
    const QString reason = oneLine(ack.reason, kAckReasonMax);
    const QString comment = oneLine(ack.comment, kAckCommentMax);
    const int operatorRoom = int(m_duty.withOperator(QString()).size());
    int done = 0;
    for (const quint64 id : ack.ids) {
        const AlarmBoard::Alarm* a = m_alarms.find(id);
        if (!a || a->state != AlarmBoard::State::New) continue;
        const QString text = m_duty.withOperator(eventText(
            EventCode::AlarmAcknowledged, 0, 0, acknowledgementDetail(*a, reason, comment, operatorRoom)));
        const EventRecord rec =
            m_eventLog.makeEvent(a->event.factory_number, EventCode::AlarmAcknowledged, text);
        // The sensor's own log when it is still connected; the day's log holds it in any case.
        const int slot = a->event.factory_number ? m_sensors.findSlot(a->event.factory_number) : -1;
        if (!m_alarms.acknowledge(id, ack.seenId, rec.time, m_duty.surname(), reason))
            continue; // unseen repeat
        if (slot >= 0)
            m_eventLog.logSensorEvent(rec, m_sensors.record(slot).sensor_type);
        else
            m_eventLog.logProgramEvent(rec);
        ++done;
    }
    silenceWhenNoneNew(m_alarms, m_notices);
    return done;
}

// ---------------------------------------------------------------------------------------------
// Connect and disconnect

// Whether a connect or disconnect dialog may open: refused only while the converter is linked and
// the address map is still on its way to it.
DialogRequest OperatorActions::whenAddressMapAllows(DialogRequest request) const {
    if (m_link.mapSent() || !m_link.isUp()) return request;
    m_notices.error(QStringLiteral("В преобразователь не передана таблица адресов устройств на шине"));
    return DialogRequest::None;
}

DialogRequest OperatorActions::requestConnectSensor() const {
    return whenAddressMapAllows(DialogRequest::SetSensor);
}

DialogRequest OperatorActions::requestDisconnectSensor() const {
    return whenAddressMapAllows(DialogRequest::RemoveSensor);
}

bool OperatorActions::connectSensor(const ConnectInput& in, const std::function<void()>& afterWrite) {
    const int slot = selectedSlot(m_selection);
    if (slot < 0) {
        m_notices.error(noSelectionText());
        return false;
    }
    bool ok = false;
    const qint32 number = in.number.trimmed().toInt(&ok, 10);
    if (!ok) {
        m_notices.error(QStringLiteral("Вы ввели ошибочное число; повторите ввод"));
        return false;
    }
    if (number == 0) {
        m_notices.error(QStringLiteral("Номер датчика должен быть отличен от нуля"));
        return false;
    }
    // The converter knows a sensor by 16 bits only: a larger or negative number would reach the bus
    // as some other sensor's address.
    if (number < 0 || number > kMaxBusNumber) {
        m_notices.error(QStringLiteral("Номер датчика должен быть от 1 до 65535"));
        return false;
    }
    const qint16 type = in.type == 1 ? 1 : 0;
    // A number equal in all 32 bits, or in the 16 bits the bus carries (a number above 65535 kept
    // from an earlier installation), is a sensor already on the line.
    if (m_sensors.busNumberTaken(quint16(number))) {
        m_notices.error(QStringLiteral("Датчик с таким номером уже существует!"));
        return false;
    }
    if (m_operators.surname(in.operatorIndex).isEmpty()) { // no entry chosen, or an empty one
        m_notices.error(QStringLiteral("Не выбрана фамилия оператора"));
        return false;
    }
    const qint16 operatorId = m_operators.operatorId(in.operatorIndex);

    m_selection.setHighlighted(false);

    SensorRecord& r = m_sensors.record(slot);
    r = SensorRecord{};
    r.mark = 1;
    r.factory_number = quint32(number);
    r.sensor_type = type;
    r.slot_index = qint16(slot);
    r.connected_at = m_clock.now();
    r.connected_by = operatorId;
    r.disconnected_at = 0;
    r.disconnected_by = -1;
    r.status = 15;
    r.loop1_alarm = 1;
    r.loop2_alarm = 1;

    fillSensorRow(m_sensorRows, m_sensors, slot);
    m_sensorRows.setArmed(slot, 1, false);
    m_sensorRows.setArmed(slot, 2, false);

    // The files first, the events after: a crash at any point never leaves a logged connection the
    // files do not hold. The settings file goes before hw.dat: interrupted before hw.dat names the
    // sensor, the next start finds the slot empty as before. The other way round it would load an
    // older record of the same number (one that was disconnected, perhaps with its loops armed) or
    // report a missing file.
    m_store.saveSensorSettings(r, 'a');
    if (afterWrite) afterWrite();
    m_store.saveSensors();
    if (afterWrite) afterWrite();

    const QString surname = OperatorList::storedSurname(m_dataDir, m_notices.windows(), r.connected_by);
    EventRecord connected =
        m_eventLog.sensorEvent(EventCode::SensorConnected, r.factory_number, type, surname);
    connected.time = r.connected_at;
    m_eventLog.logSensorEvent(connected, type);
    if (afterWrite) afterWrite();
    m_eventLog.logSensorEvent(m_eventLog.sensorEvent(EventCode::NoLinkAfterConnect, r.factory_number, type),
                              type);
    if (afterWrite) afterWrite();

    m_link.slotConnected(slot);
    m_sensors.setOnline(slot, false);

    m_status.showSensorCount(m_sensors.count());

    m_sensors.mapAddress(slot);
    const KartaEntry& entry = m_sensors.addressEntry(slot);
    m_link.enqueue(m_notices.windows(), frame::connectSensor(slot, entry.factory_number, entry.device_code));
    return true;
}

bool OperatorActions::disconnectSensor(int operatorIndex, const std::function<void()>& afterWrite) {
    const int slot = selectedSlot(m_selection);
    SensorRecord* r = SensorTable::isSlot(slot) ? &m_sensors.record(slot) : nullptr;
    if (r && r->osc_active == 1) {
        if (ConsoleUi* ui = m_notices.windows())
            ui->message(QString(), QStringLiteral("Остановите передачу осциллограмм от датчика"),
                        ConsoleUi::Icon::None);
        return false;
    }
    if (m_operators.surname(operatorIndex).isEmpty()) {
        m_notices.error(QStringLiteral("Не выбрана фамилия"));
        return false;
    }
    if (!r || !r->occupied()) {
        m_notices.error(QStringLiteral("В этой позиции датчик не установлен!"));
        return false;
    }

    // The history entry: the record as connected, stamped with who took it out and when.
    r->disconnected_at = m_clock.now();
    r->disconnected_by = m_operators.operatorId(operatorIndex);
    // The files first, the event after. Interrupted after the stamp, hw.dat still names the sensor:
    // the next start takes the disconnection as not done (see loadSensorSettings).
    m_store.saveSensorSettings(*r, 'u');
    if (afterWrite) afterWrite();

    // Runtime reset; identity and history stay until the event is written.
    const quint32 number = r->factory_number;
    const qint16 type = r->sensor_type;
    const double when = r->disconnected_at;
    const qint16 by = r->disconnected_by;
    SensorRecord reset;
    reset.mark = 1;
    reset.factory_number = number;
    reset.sensor_type = type;
    reset.disconnected_at = when;
    reset.disconnected_by = by;
    reset.status = 15;
    reset.loop1_alarm = 1;
    reset.loop2_alarm = 1;
    *r = reset;

    m_selection.setHighlighted(false);

    const QString surname = OperatorList::storedSurname(m_dataDir, m_notices.windows(), by);
    EventRecord removed = m_eventLog.sensorEvent(EventCode::SensorDisconnected, number, type, surname);
    removed.time = when;

    r->factory_number = 0;
    r->sensor_type = 0;
    r->disconnected_at = 0;
    r->disconnected_by = 0;
    // The row goes blank with the record emptied: the feed hears of a position without a sensor.
    m_sensorRows.empty(slot);
    m_store.saveSensors();
    if (afterWrite) afterWrite();
    timed().endTimersOf(number); // a sensor connected again later starts with its loops as stored
    m_eventLog.logSensorEvent(removed, type);
    if (afterWrite) afterWrite();

    m_status.showSensorCount(m_sensors.count());

    m_sensors.setOnline(slot, false);
    m_link.slotDisconnected(slot);

    m_sensors.setAddressEntry(slot, KartaEntry{});
    m_link.enqueue(m_notices.windows(), frame::disconnectSensor(slot));
    return true;
}

int OperatorActions::addOperator(const QString& typed) {
    return m_operators.add(m_dataDir, m_notices.windows(), typed);
}

bool OperatorActions::removeOperator(int index) {
    const QString was = m_duty.surname();
    const bool removed = m_operators.remove(m_dataDir, m_notices.windows(), index);
    if (removed && m_duty.keepListed(m_operators)) {
        QString error;
        if (!m_duty.take(m_dataDir, DutyOperator::kNobody, QString(), &error))
            m_notices.error(QStringLiteral("Не записан файл duty.dat: ") + error);
        logShiftChange(was);
    }
    return removed;
}

// ---------------------------------------------------------------------------------------------
// The operator on duty

void OperatorActions::logShiftChange(const QString& was) {
    QString detail = m_duty.onDuty() ? m_duty.surname() : QStringLiteral("снят");
    if (!was.isEmpty()) detail += QStringLiteral(" (был ") + was + QLatin1Char(')');
    m_eventLog.logProgramEvent(m_eventLog.makeEvent(
        0, EventCode::ShiftChange,
        cutAtCharacter(eventText(EventCode::ShiftChange, 0, 0, detail), EventRecord::kTextSize - 1)));
}

bool OperatorActions::takeDuty(int operatorIndex) {
    if (operatorIndex < -1 || operatorIndex >= m_operators.count()) return false;
    const qint16 id = operatorIndex < 0 ? DutyOperator::kNobody : m_operators.operatorId(operatorIndex);
    if (id == m_duty.operatorId()) return false;
    const QString was = m_duty.surname();
    QString error;
    if (!m_duty.take(m_dataDir, id, m_operators.surname(operatorIndex), &error))
        m_notices.error(QStringLiteral("Не записан файл duty.dat: ") + error);
    logShiftChange(was);
    return true;
}

// ---------------------------------------------------------------------------------------------
// DC components

DialogRequest OperatorActions::requestDcComponents() const {
    const int slot = selectedSlot(m_selection);
    if (slot < 0) {
        m_notices.error(noSelectionText());
        return DialogRequest::None;
    }
    if (!m_sensors.occupied(slot)) return DialogRequest::None;
    if (!m_link.isUp()) {
        m_notices.error(QStringLiteral("Нет связи с преобразователем"));
        return DialogRequest::None;
    }
    if (m_link.mapSent()) return DialogRequest::DirectComponent;
    m_notices.error(QStringLiteral("Идёт передача в преобразователь таблицы адресов"));
    return DialogRequest::None;
}

bool OperatorActions::setDcComponentsB(int slot, std::optional<float> flank1, std::optional<float> flank2) {
    if (!m_sensors.occupied(slot)) return false;
    SensorRecord& r = m_sensors.record(slot);
    if (flank1) r.dc_component1 = *flank1;
    if (flank2) r.dc_component2 = *flank2;
    // The oscilloscope tab sends its own values for the sensor it watches: they follow this sensor's
    // new ones, and only this sensor's. An entry not given keeps what the operator has typed there.
    if (m_osc.slot() == slot) {
        if (flank1) m_osc.showDcFlank(0, *flank1);
        if (flank2) m_osc.showDcFlank(1, *flank2);
    }
    m_store.saveLastingState(r);
    m_link.enqueue(m_notices.windows(), frame::setDcB(slot, r.dc_component1, r.dc_component2));
    return true;
}

bool OperatorActions::setDcComponentA(int slot, quint16 value) {
    if (!m_sensors.occupied(slot)) return false;
    // A sensor that never had a value (0) must not be sent one it cannot take.
    if (value < kDcAMin || value > kDcAMax) return false;
    SensorRecord& r = m_sensors.record(slot);
    r.dc_component1 = r.dc_component2 = float(value);
    if (m_osc.slot() == slot) m_osc.holdDcTypeA(value, true);
    m_store.saveLastingState(r);
    m_link.enqueue(m_notices.windows(), frame::setDcA(slot, value));
    return true;
}

DcEditors openDcEditors(const TableSelection& selection, const SensorTable& sensors, DcWorking& w) {
    DcEditors e;
    const int slot = selectedSlot(selection);
    if (!sensors.occupied(slot)) return e;
    const SensorRecord& r = sensors.record(slot);
    if (r.sensor_type == 1) {
        e.type = 1;
        w.flank1 = r.dc_component1;
        w.flank2 = r.dc_component2;
        e.flank1 = formatFixed3(w.flank1);
        e.flank2 = formatFixed3(w.flank2);
    } else if (r.sensor_type == 0) {
        e.type = 0;
        w.a = dcComponentWord(r.dc_component1);
        e.value = QString::number(w.a);
    }
    return e;
}

bool dcValueEntered(const ChangeNotices& notices, DcWorking& w, const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) {
        dcBadNumber(notices);
        return false;
    }
    if (v < kDcAMin || v > kDcAMax) {
        dcOutOfRange(notices);
        return false;
    }
    w.a = quint16(v);
    return true;
}

bool dcFlankEntered(const ChangeNotices& notices, DcWorking& w, int flank, const QString& text) {
    double v = 0;
    // A value a single-precision float cannot hold is no number for the sensor either.
    if (!parseNumber(text, &v) || !std::isfinite(float(v))) {
        dcBadNumber(notices);
        return false;
    }
    (flank == 2 ? w.flank2 : w.flank1) = float(v);
    return true;
}

DcEditors OperatorActions::openDcEditors(DcWorking& w) const {
    return vatrel::openDcEditors(m_selection, m_sensors, w);
}

bool OperatorActions::dcValueEntered(DcWorking& w, const QString& text) const {
    return vatrel::dcValueEntered(m_notices, w, text);
}

bool OperatorActions::dcFlankEntered(DcWorking& w, int flank, const QString& text) const {
    return vatrel::dcFlankEntered(m_notices, w, flank, text);
}

bool OperatorActions::acceptDcComponents(const DcWorking& w) {
    const int slot = selectedSlot(m_selection);
    if (!m_sensors.occupied(slot)) return false;
    const qint16 type = m_sensors.record(slot).sensor_type;
    if (type == 1) return setDcComponentsB(slot, w.flank1, w.flank2);
    if (type != 0) return false;
    if (setDcComponentA(slot, w.a)) return true;
    dcOutOfRange(m_notices); // the sensor is there, so only the value can be refused
    return false;
}

// The slot under oscillogram, or -1 when none runs (then there is no sensor to send a value to).
int OperatorActions::oscSlot() const {
    return m_osc.slot() >= 0 && m_osc.slot() < kSlots ? m_osc.slot() : -1;
}

bool OperatorActions::oscAddressMapDone() const {
    if (m_link.mapSent()) return true;
    oscMessage(m_notices, QStringLiteral("Дождитесь окончания передачи адресов в адаптер"));
    return false;
}

// "Запись" beside a flank's DC component entry (flank 0 or 1).
bool OperatorActions::recordDcFlank(int flank, const QString& typed) {
    m_osc.setTyped(flank == 0 ? OscEntry::DcFlank1 : OscEntry::DcFlank2, typed);
    double v = 0;
    if (!readOscReal(m_notices, typed, &v)) return false;
    if (!(v >= 0.5 && v <= 512)) {
        oscMessage(m_notices, oscRangeText("0.5-512"));
        return false;
    }
    m_osc.showDcFlank(flank, float(v));
    const int slot = oscSlot();
    if (slot < 0) return true; // kept for the next oscillogram's sensor; nothing to send it to now
    // The flank not edited goes out as stored for this very sensor, whatever was edited for
    // another one meanwhile.
    const float dc = m_osc.dcFlank(flank);
    if (flank == 0)
        setDcComponentsB(slot, dc, std::nullopt);
    else
        setDcComponentsB(slot, std::nullopt, dc);
    return true;
}

bool OperatorActions::recordDcFlank1(const QString& typed) { return recordDcFlank(0, typed); }

bool OperatorActions::recordDcFlank2(const QString& typed) { return recordDcFlank(1, typed); }

bool OperatorActions::enterDcComponentA(const QString& typed) {
    m_osc.setTyped(OscEntry::DcTypeA, typed);
    double v = 0;
    if (!readOscReal(m_notices, typed, &v)) return false;
    const double whole = std::trunc(v);
    if (!(whole >= kDcAMin && whole <= kDcAMax)) {
        oscMessage(m_notices, oscRangeText("1-4095"));
        return false;
    }
    m_osc.holdDcTypeA(quint16(whole), true); // shows what is sent (4.9 sends 4)
    const int slot = oscSlot();
    if (slot >= 0) setDcComponentA(slot, m_osc.dcTypeA());
    return true;
}

// ---------------------------------------------------------------------------------------------
// Oscillogram

bool OperatorActions::startOscillogram() {
    if (!oscAddressMapDone()) return true;
    int position = 0;
    if (!readOscInt(m_notices, m_osc.text(OscEntry::Position), 1, kSlots, "1-200", &position)) return false;
    const int slot = position - 1;
    const SensorRecord& r = m_sensors.record(slot);
    if (r.link_up == 0) return true; // no answering sensor there
    m_osc.closeStart();
    if (!m_link.enqueue(m_notices.windows(), frame::oscillOn(slot, quint16(r.factory_number & 0xFFFF))))
        oscillogramRequestDropped(m_osc);
    return true;
}

void OperatorActions::stopOscillogram() {
    if (!oscAddressMapDone()) return;
    m_link.enqueue(m_notices.windows(), frame::oscillOff());
}

} // namespace vatrel
