// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/OperatorActions.h"
#include "link/Engine.h"
#include "link/Frame.h"
#include "link/Oscilloscope.h"
#include "registry/EventLog.h"
#include "registry/NumberFormat.h"
#include "registry/Startup.h"
#include "registry/Storage.h"

#include <cmath>

namespace vatrel {

namespace {

using View = ConsoleUi::View;

// The loop's armed flag of a sensor record (loop 1 or 2).
quint8& armedFlag(SensorRecord& r, int loop) { return loop == 1 ? r.loop1_armed : r.loop2_armed; }

// Arms (arm = true) or disarms one loop of the sensor in `slot`; the rule every window shares.
bool changeLoop(Console& c, int slot, int loop, bool arm) {
    if (slot < 0 || slot >= kSlots || (loop != 1 && loop != 2)) return false;
    SensorRecord& s = c.sensors.record(slot);
    // An empty position has no loops, whatever its link flag says; a sensor off line is left as it
    // is until it answers again.
    if (!c.sensors.isOnline(slot) || !s.occupied()) return false;
    quint8& flag = armedFlag(s, loop);
    if (arm ? flag == 1 : flag == 0) return false;
    flag = arm ? 1 : 0;
    c.store.saveLastingState(s); // the file first, the event after

    c.eventLog.logSensorEvent(c.eventLog.sensorEvent(armCode(arm, loop), s.factory_number, s.sensor_type),
                              s.sensor_type);

    c.sensorRows.setArmed(slot, loop, arm);
    if (arm)
        c.sensorRows.setColour(slot, colours::green); // also over the alarm colour of a faulty sensor
    else if (s.loop1_armed == 0 && s.loop2_armed == 0)
        c.sensorRows.setColour(slot, colours::aqua);
    return true;
}

void selectedLoop(Console& c, int loop, bool arm) {
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(noSelectionText());
        return;
    }
    changeLoop(c, slot, loop, arm);
}

// Parses the operator's sensor number: a whole signed 32-bit decimal number, taken as the same
// 32 bits the connect dialog stores (so "-5" names the sensor connected as -5). Anything else
// (letters, a fraction, overflow) gives 0, which matches no sensor.
quint32 parseSensorNumber(const QString& text) {
    bool ok = false;
    const qint32 n = text.trimmed().toInt(&ok, 10);
    return ok ? quint32(n) : 0;
}

// Whether a connect or disconnect dialog may open: refused only while the converter is linked and
// the address map is still on its way to it.
DialogRequest whenAddressMapAllows(Console& c, DialogRequest request) {
    if (c.link.mapSent() || !c.link.isUp()) return request;
    c.error(QStringLiteral("В преобразователь не передана таблица адресов устройств на шине"));
    return DialogRequest::None;
}

void dcOutOfRange(const Console& c) { c.error(QStringLiteral("Число вне допуска (1-4095); повторите ввод")); }

void dcBadNumber(const Console& c) { c.error(QStringLiteral("Вы ввели ошибочное число; повторите ввод")); }

// The slot under oscillogram, or -1 when none runs (then there is no sensor to send a value to).
int oscSlot(const Console& c) { return c.osc.slot() >= 0 && c.osc.slot() < kSlots ? c.osc.slot() : -1; }

bool oscAddressMapDone(Console& c) {
    if (c.link.mapSent()) return true;
    oscMessage(c.notices, QStringLiteral("Дождитесь окончания передачи адресов в адаптер"));
    return false;
}

// "Запись" beside a flank's DC component entry (flank 0 or 1).
bool recordDcFlank(Console& c, int flank, const QString& typed) {
    c.osc.setTyped(flank == 0 ? OscEntry::DcFlank1 : OscEntry::DcFlank2, typed);
    double v = 0;
    if (!readOscReal(c.notices, typed, &v)) return false;
    if (!(v >= 0.5 && v <= 512)) {
        oscMessage(c.notices, oscRangeText("0.5-512"));
        return false;
    }
    c.osc.showDcFlank(flank, float(v));
    const int slot = oscSlot(c);
    if (slot < 0) return true; // kept for the next oscillogram's sensor; nothing to send it to now
    // The flank not edited goes out as stored for this very sensor, whatever was edited for
    // another one meanwhile.
    const float dc = c.osc.dcFlank(flank);
    if (flank == 0)
        setDcComponentsB(c, slot, dc, std::nullopt);
    else
        setDcComponentsB(c, slot, std::nullopt, dc);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Loops

bool armLoop(Console& c, int slot, int loop) { return changeLoop(c, slot, loop, true); }

bool disarmLoop(Console& c, int slot, int loop) { return changeLoop(c, slot, loop, false); }

void armSelectedLoop(Console& c, int loop) { selectedLoop(c, loop, true); }

void disarmSelectedLoop(Console& c, int loop) { selectedLoop(c, loop, false); }

bool disarmLoopOfSensor(Console& c, const QString& number, int loop) {
    const quint32 n = parseSensorNumber(number);
    if (n == 0) return false;
    return disarmLoop(c, c.sensors.findSlot(n), loop);
}

// ---------------------------------------------------------------------------------------------
// Alarms

void acknowledgeAllAlarms(Console& c, quint64 lastSeenId) {
    c.alarms.acknowledgeUpTo(lastSeenId);
    if (!c.alarms.isEmpty()) {
        // Alarms came in after the list the operator acknowledged was drawn: they were neither seen
        // nor acknowledged, so they stay, the sound goes on and the window comes forward with them.
        if (c.ui) c.ui->showAlarmWindow();
        return;
    }
    c.alarms.acknowledgeAll();
    // Stopped even when nothing is flagged as playing: acknowledging must always end in silence.
    if (c.ui) c.ui->stopAlarmSound();
    c.alarms.setSoundOn(false);
}

// ---------------------------------------------------------------------------------------------
// Connect and disconnect

DialogRequest requestConnectSensor(Console& c) { return whenAddressMapAllows(c, DialogRequest::SetSensor); }

DialogRequest requestDisconnectSensor(Console& c) {
    return whenAddressMapAllows(c, DialogRequest::RemoveSensor);
}

bool connectSensor(Console& c, const ConnectInput& in, const std::function<void()>& afterWrite) {
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(noSelectionText());
        return false;
    }
    bool ok = false;
    const qint32 number = in.number.trimmed().toInt(&ok, 10);
    if (!ok) {
        c.error(QStringLiteral("Вы ввели ошибочное число; повторите ввод"));
        return false;
    }
    if (number == 0) {
        c.error(QStringLiteral("Номер датчика должен быть отличен от нуля"));
        return false;
    }
    // The converter knows a sensor by 16 bits only: a larger or negative number would reach the bus
    // as some other sensor's address.
    if (number < 0 || number > kMaxBusNumber) {
        c.error(QStringLiteral("Номер датчика должен быть от 1 до 65535"));
        return false;
    }
    const qint16 type = in.type == 1 ? 1 : 0;
    // A number equal in all 32 bits, or in the 16 bits the bus carries (a number above 65535 kept
    // from an earlier installation), is a sensor already on the line.
    if (c.sensors.busNumberTaken(quint16(number))) {
        c.error(QStringLiteral("Датчик с таким номером уже существует!"));
        return false;
    }
    if (c.operators.surname(in.operatorIndex).isEmpty()) { // no entry chosen, or an empty one
        c.error(QStringLiteral("Не выбрана фамилия оператора"));
        return false;
    }
    const qint16 operatorId = c.operators.operatorId(in.operatorIndex);

    c.selection.setHighlighted(false);

    SensorRecord& r = c.sensors.record(slot);
    r = SensorRecord{};
    r.mark = 1;
    r.factory_number = quint32(number);
    r.sensor_type = type;
    r.slot_index = qint16(slot);
    r.connected_at = c.now();
    r.connected_by = operatorId;
    r.disconnected_at = 0;
    r.disconnected_by = -1;
    r.status = 15;
    r.loop1_alarm = 1;
    r.loop2_alarm = 1;

    fillSensorRow(c.sensorRows, c.sensors, slot);
    c.sensorRows.setArmed(slot, 1, false);
    c.sensorRows.setArmed(slot, 2, false);

    // The files first, the events after: a crash at any point never leaves a logged connection the
    // files do not hold. The settings file goes before hw.dat: interrupted before hw.dat names the
    // sensor, the next start finds the slot empty as before. The other way round it would load an
    // older record of the same number (one that was disconnected, perhaps with its loops armed) or
    // report a missing file.
    c.store.saveSensorSettings(r, 'a');
    if (afterWrite) afterWrite();
    c.store.saveSensors();
    if (afterWrite) afterWrite();

    const QString surname = OperatorList::storedSurname(c.data_dir, c.ui, r.connected_by);
    EventRecord connected =
        c.eventLog.sensorEvent(EventCode::SensorConnected, r.factory_number, type, surname);
    connected.time = r.connected_at;
    c.eventLog.logSensorEvent(connected, type);
    if (afterWrite) afterWrite();
    c.eventLog.logSensorEvent(c.eventLog.sensorEvent(EventCode::NoLinkAfterConnect, r.factory_number, type),
                              type);
    if (afterWrite) afterWrite();

    c.link.slotConnected(slot);
    c.sensors.setOnline(slot, false);

    countSensorsForToolbar(c);

    c.sensors.mapAddress(slot);
    const KartaEntry& entry = c.sensors.addressEntry(slot);
    c.link.enqueue(c.ui, frame::connectSensor(slot, entry.factory_number, entry.device_code));
    return true;
}

bool disconnectSensor(Console& c, int operatorIndex, const std::function<void()>& afterWrite) {
    const int slot = selectedSlot(c);
    SensorRecord* r = SensorTable::isSlot(slot) ? &c.sensors.record(slot) : nullptr;
    if (r && r->osc_active == 1) {
        if (c.ui)
            c.ui->message(QString(), QStringLiteral("Остановите передачу осциллограмм от датчика"),
                          ConsoleUi::Icon::None);
        return false;
    }
    if (c.operators.surname(operatorIndex).isEmpty()) {
        c.error(QStringLiteral("Не выбрана фамилия"));
        return false;
    }
    if (!r || !r->occupied()) {
        c.error(QStringLiteral("В этой позиции датчик не установлен!"));
        return false;
    }

    // The history entry: the record as connected, stamped with who took it out and when.
    r->disconnected_at = c.now();
    r->disconnected_by = c.operators.operatorId(operatorIndex);
    // The files first, the event after. Interrupted after the stamp, hw.dat still names the sensor:
    // the next start takes the disconnection as not done (see loadSensorSettings).
    c.store.saveSensorSettings(*r, 'u');
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

    c.selection.setHighlighted(false);

    const QString surname = OperatorList::storedSurname(c.data_dir, c.ui, by);
    EventRecord removed = c.eventLog.sensorEvent(EventCode::SensorDisconnected, number, type, surname);
    removed.time = when;

    r->factory_number = 0;
    r->sensor_type = 0;
    r->disconnected_at = 0;
    r->disconnected_by = 0;
    // The row goes blank with the record emptied: the feed hears of a position without a sensor.
    c.sensorRows.empty(slot);
    c.store.saveSensors();
    if (afterWrite) afterWrite();
    c.eventLog.logSensorEvent(removed, type);
    if (afterWrite) afterWrite();

    countSensorsForToolbar(c);

    c.sensors.setOnline(slot, false);
    c.link.slotDisconnected(slot);

    c.sensors.setAddressEntry(slot, KartaEntry{});
    c.link.enqueue(c.ui, frame::disconnectSensor(slot));
    return true;
}

// ---------------------------------------------------------------------------------------------
// DC components

DialogRequest requestDcComponents(Console& c) {
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(noSelectionText());
        return DialogRequest::None;
    }
    if (!c.sensors.occupied(slot)) return DialogRequest::None;
    if (!c.link.isUp()) {
        c.error(QStringLiteral("Нет связи с преобразователем"));
        return DialogRequest::None;
    }
    if (c.link.mapSent()) return DialogRequest::DirectComponent;
    c.error(QStringLiteral("Идёт передача в преобразователь таблицы адресов"));
    return DialogRequest::None;
}

bool setDcComponentsB(Console& c, int slot, std::optional<float> flank1, std::optional<float> flank2) {
    if (!c.sensors.occupied(slot)) return false;
    SensorRecord& r = c.sensors.record(slot);
    if (flank1) r.dc_component1 = *flank1;
    if (flank2) r.dc_component2 = *flank2;
    // The oscilloscope tab sends its own values for the sensor it watches: they follow this sensor's
    // new ones, and only this sensor's. An entry not given keeps what the operator has typed there.
    if (c.osc.slot() == slot) {
        if (flank1) c.osc.showDcFlank(0, *flank1);
        if (flank2) c.osc.showDcFlank(1, *flank2);
    }
    c.store.saveLastingState(r);
    c.link.enqueue(c.ui, frame::setDcB(slot, r.dc_component1, r.dc_component2));
    return true;
}

bool setDcComponentA(Console& c, int slot, quint16 value) {
    if (!c.sensors.occupied(slot)) return false;
    // A sensor that never had a value (0) must not be sent one it cannot take.
    if (value < kDcAMin || value > kDcAMax) return false;
    SensorRecord& r = c.sensors.record(slot);
    r.dc_component1 = r.dc_component2 = float(value);
    if (c.osc.slot() == slot) c.osc.holdDcTypeA(value, true);
    c.store.saveLastingState(r);
    c.link.enqueue(c.ui, frame::setDcA(slot, value));
    return true;
}

DcEditors openDcEditors(const Console& c, DcWorking& w) {
    DcEditors e;
    const int slot = selectedSlot(c);
    if (!c.sensors.occupied(slot)) return e;
    const SensorRecord& r = c.sensors.record(slot);
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

bool dcValueEntered(const Console& c, DcWorking& w, const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) {
        dcBadNumber(c);
        return false;
    }
    if (v < kDcAMin || v > kDcAMax) {
        dcOutOfRange(c);
        return false;
    }
    w.a = quint16(v);
    return true;
}

bool dcFlankEntered(const Console& c, DcWorking& w, int flank, const QString& text) {
    double v = 0;
    // A value a single-precision float cannot hold is no number for the sensor either.
    if (!parseNumber(text, &v) || !std::isfinite(float(v))) {
        dcBadNumber(c);
        return false;
    }
    (flank == 2 ? w.flank2 : w.flank1) = float(v);
    return true;
}

bool acceptDcComponents(Console& c, const DcWorking& w) {
    const int slot = selectedSlot(c);
    if (!c.sensors.occupied(slot)) return false;
    const qint16 type = c.sensors.record(slot).sensor_type;
    if (type == 1) return setDcComponentsB(c, slot, w.flank1, w.flank2);
    if (type != 0) return false;
    if (setDcComponentA(c, slot, w.a)) return true;
    dcOutOfRange(c); // the sensor is there, so only the value can be refused
    return false;
}

bool recordDcFlank1(Console& c, const QString& typed) { return recordDcFlank(c, 0, typed); }

bool recordDcFlank2(Console& c, const QString& typed) { return recordDcFlank(c, 1, typed); }

bool enterDcComponentA(Console& c, const QString& typed) {
    c.osc.setTyped(OscEntry::DcTypeA, typed);
    double v = 0;
    if (!readOscReal(c.notices, typed, &v)) return false;
    const double whole = std::trunc(v);
    if (!(whole >= kDcAMin && whole <= kDcAMax)) {
        oscMessage(c.notices, oscRangeText("1-4095"));
        return false;
    }
    c.osc.holdDcTypeA(quint16(whole), true); // shows what is sent (4.9 sends 4)
    const int slot = oscSlot(c);
    if (slot >= 0) setDcComponentA(c, slot, c.osc.dcTypeA());
    return true;
}

// ---------------------------------------------------------------------------------------------
// Oscillogram

bool startOscillogram(Console& c) {
    if (!oscAddressMapDone(c)) return true;
    int position = 0;
    if (!readOscInt(c.notices, c.osc.text(OscEntry::Position), 1, kSlots, "1-200", &position)) return false;
    const int slot = position - 1;
    const SensorRecord& r = c.sensors.record(slot);
    if (r.link_up == 0) return true; // no answering sensor there
    c.osc.closeStart();
    if (!c.link.enqueue(c.ui, frame::oscillOn(slot, quint16(r.factory_number & 0xFFFF))))
        oscillogramRequestDropped(c.osc);
    return true;
}

void stopOscillogram(Console& c) {
    if (!oscAddressMapDone(c)) return;
    c.link.enqueue(c.ui, frame::oscillOff());
}

} // namespace vatrel
