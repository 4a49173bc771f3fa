// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SensorSetup.h"
#include "link/Engine.h"
#include "link/Frame.h"
#include "registry/Cp1251.h"
#include "registry/EventLog.h"
#include "registry/NumberFormat.h"
#include "registry/Startup.h"
#include "registry/Storage.h"

#include <cmath>

namespace vatrel {

namespace {

// The selected slot, or -1 when the selected row is not a row of the table.
int selectedSlot(const Console& c) {
    if (c.selected_row < 1 || c.selected_row > kSlots) return -1;
    return c.selected_row - 1;
}

// A surname without the blanks before and after it.
QString trimmedSurname(const QString& s) {
    qsizetype from = 0, to = s.size();
    while (from < to && s.at(from).category() == QChar::Separator_Space)
        ++from;
    while (to > from && s.at(to - 1).category() == QChar::Separator_Space)
        --to;
    return s.mid(from, to - from);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Operator list

int addOperator(Console& c, const std::function<QString()>& askSurname) {
    OperatorList& list = c.operators;
    if (list.operator_count >= kOperatorsMax) {
        c.error(QStringLiteral("Слишком много фамилий испытателей"));
        return -1;
    }
    const QString answer = askSurname ? askSurname() : QString();
    if (answer.isEmpty()) return -1;
    // A pasted tab or line break would be stored and copied into every later event text and listing.
    for (const QChar ch : answer) {
        if (ch.category() == QChar::Other_Control) {
            c.error(QStringLiteral("В фамилии есть управляющие знаки (табуляция, перевод строки); "
                                   "повторите ввод"));
            return -1;
        }
    }
    const QString typed = trimmedSurname(answer);
    if (typed.isEmpty()) {
        c.error(QStringLiteral("Фамилия не может состоять из одних пробелов"));
        return -1;
    }
    if (typed.size() > 16) {
        c.error(QStringLiteral("Слишком длинное имя"));
        return -1;
    }
    // Surnames are compared as they will stand in the file, byte for byte.
    const QByteArray bytes = cp1251::encode(typed);
    // A letter the file's code page lacks would be stored as a substitute and shown changed.
    if (cp1251::decode(bytes) != typed) {
        c.error(QStringLiteral("В фамилии есть знаки, которые нельзя сохранить"));
        return -1;
    }
    // Surnames stored with blanks round them (by earlier versions) are the same operator too.
    for (int i = 0; i < list.operator_count; ++i) {
        if (cp1251::encode(trimmedSurname(list.entries[size_t(i)].surname)) == bytes) {
            c.error(QStringLiteral("Уже есть такой испытатель"));
            return -1;
        }
    }
    const qint16 id = qint16(list.operator_records);
    list.entries[size_t(list.operator_count)] = {1, cp1251::decode(bytes), id};
    ++list.operator_count;
    ++list.operator_records;
    Add_chop(c);
    Ini_chop(c);
    // The reloaded list holds the new surname only if the file took it.
    for (int i = 0; i < list.operator_count; ++i)
        if (list.entries[size_t(i)].operator_id == id) return i;
    return -1;
}

bool deleteOperator(Console& c, int index) {
    if (!c.ui ||
        !c.ui->question(QStringLiteral("Удаление"),
                        QStringLiteral("Вы действительно хотите удалить фамилию этого испытателя ?")))
        return false;
    if (index < 0 || index >= c.operators.operator_count) return false;
    Del_chop(c, c.operators.entries[size_t(index)].operator_id);
    Ini_chop(c);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Connect

bool connectSensor(Console& c, const ConnectInput& in, const std::function<void()>& afterWrite) {
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(QStringLiteral("Выберите позицию датчика в таблице, щёлкнув левой кнопкой мыши по "
                               "соответствующей ячейке столбца <Зав.№>"));
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
    for (const SensorRecord& r : c.sensors) {
        if (r.occupied() && (r.factory_number & 0xFFFF) == quint32(number)) {
            c.error(QStringLiteral("Датчик с таким номером уже существует!"));
            return false;
        }
    }
    const OperatorList& list = c.operators;
    if (in.operatorIndex < 0 || in.operatorIndex >= list.operator_count ||
        list.entries[size_t(in.operatorIndex)].surname.isEmpty()) {
        c.error(QStringLiteral("Не выбрана фамилия оператора"));
        return false;
    }
    const qint16 operatorId = list.entries[size_t(in.operatorIndex)].operator_id;

    c.selection_highlight = false;

    SensorRecord& r = c.sensors[size_t(slot)];
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

    const int row = slot + 1;
    FillSensorRow(c, slot);
    c.sensor_grid.set(colArmed1, row, QStringLiteral("Снят"));
    c.sensor_grid.set(colArmed2, row, QStringLiteral("Снят"));
    c.changed(ConsoleUi::View::SensorGrid);
    feedSensor(c, slot);

    // The files first, the events after: a crash at any point never leaves a logged connection the
    // files do not hold. The settings file goes before hw.dat: interrupted before hw.dat names the
    // sensor, the next start finds the slot empty as before. The other way round it would load an
    // older record of the same number (one that was disconnected, perhaps with its loops armed) or
    // report a missing file.
    Save_sm(c, r, 'a');
    if (afterWrite) afterWrite();
    Save_Hw(c);
    if (afterWrite) afterWrite();

    const QString surname = Read_chop(c, r.connected_by);
    EventRecord connected = sensorEvent(c, EventCode::SensorConnected, r.factory_number, type, surname);
    connected.time = r.connected_at;
    Put_msg(c, connected, type);
    if (afterWrite) afterWrite();
    Put_msg(c, sensorEvent(c, EventCode::NoLinkAfterConnect, r.factory_number, type), type);
    if (afterWrite) afterWrite();

    c.com_grid.set(1, row, QStringLiteral("0"));
    c.com_grid.set(2, row, QStringLiteral("0"));
    c.com_grid.set(3, row, QStringLiteral("Нет связи"));
    c.slot_online[size_t(slot)] = 0;
    c.changed(ConsoleUi::View::ComGrid);

    updateSensorCountLabel(c);

    c.KartaAdress[size_t(slot)] = {kDeviceCode, quint16(r.factory_number & 0xFFFF)};
    const KartaEntry& entry = c.KartaAdress[size_t(slot)];
    Put_Cmd(c, frame::connectSensor(slot, entry.factory_number, entry.device_code));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Disconnect

bool disconnectSensor(Console& c, int operatorIndex, const std::function<void()>& afterWrite) {
    const int slot = selectedSlot(c);
    SensorRecord* r = slot >= 0 ? &c.sensors[size_t(slot)] : nullptr;
    if (r && r->osc_active == 1) {
        if (c.ui)
            c.ui->message(QString(), QStringLiteral("Остановите передачу осциллограмм от датчика"),
                          ConsoleUi::Icon::None);
        return false;
    }
    const OperatorList& list = c.operators;
    if (operatorIndex < 0 || operatorIndex >= list.operator_count ||
        list.entries[size_t(operatorIndex)].surname.isEmpty()) {
        c.error(QStringLiteral("Не выбрана фамилия"));
        return false;
    }
    if (!r || !r->occupied()) {
        c.error(QStringLiteral("В этой позиции датчик не установлен!"));
        return false;
    }

    // The history entry: the record as connected, stamped with who took it out and when.
    r->disconnected_at = c.now();
    r->disconnected_by = list.entries[size_t(operatorIndex)].operator_id;
    // The files first, the event after. Interrupted after the stamp, hw.dat still names the sensor:
    // the next start takes the disconnection as not done (see Ini_sm).
    Save_sm(c, *r, 'u');
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

    const int row = slot + 1;
    setRowColour(c, slot, colours::silver);
    for (int col = 1; col <= 11; ++col)
        c.sensor_grid.set(col, row, QString());
    c.selection_highlight = false;
    c.changed(ConsoleUi::View::SensorGrid);

    const QString surname = Read_chop(c, by);
    EventRecord removed = sensorEvent(c, EventCode::SensorDisconnected, number, type, surname);
    removed.time = when;

    r->factory_number = 0;
    r->sensor_type = 0;
    r->disconnected_at = 0;
    r->disconnected_by = 0;
    Save_Hw(c);
    if (afterWrite) afterWrite();
    Put_msg(c, removed, type);
    if (afterWrite) afterWrite();
    feedSensor(c, slot);

    updateSensorCountLabel(c);

    for (auto& counter : c.slot_counters)
        counter[size_t(slot)] = 0;
    c.slot_online[size_t(slot)] = 0;
    for (int col = 1; col <= 3; ++col)
        c.com_grid.set(col, row, QString());
    c.changed(ConsoleUi::View::ComGrid);

    c.KartaAdress[size_t(slot)] = KartaEntry{};
    Put_Cmd(c, frame::disconnectSensor(slot));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Threshold DC component

namespace {

const SensorRecord* dcSensor(const Console& c) {
    const int slot = selectedSlot(c);
    if (slot < 0 || !c.sensors[size_t(slot)].occupied()) return nullptr;
    return &c.sensors[size_t(slot)];
}

// A stored float as the type A entry's whole number: truncated toward zero, low 16 bits. Values an
// integer cannot hold (NaN, huge) become 0.
quint16 wholeValue(float v) {
    if (!std::isfinite(v) || std::fabs(v) >= 2147483648.0f) return 0;
    return quint16(qint32(std::trunc(v)) & 0xFFFF);
}

void badNumber(const Console& c) {
    c.error(QStringLiteral("Вы ввели ошибочное число; повторите ввод"));
}

void outOfRange(const Console& c) {
    c.error(QStringLiteral("Число вне допуска (1-4095); повторите ввод"));
}

} // namespace

DcEditors openDcEditors(const Console& c, DcWorking& w) {
    DcEditors e;
    const SensorRecord* r = dcSensor(c);
    if (!r) return e;
    if (r->sensor_type == 1) {
        e.type = 1;
        w.flank1 = r->dc_component1;
        w.flank2 = r->dc_component2;
        e.flank1 = formatFixed3(w.flank1);
        e.flank2 = formatFixed3(w.flank2);
    } else if (r->sensor_type == 0) {
        e.type = 0;
        w.a = wholeValue(r->dc_component1);
        e.value = QString::number(w.a);
    }
    return e;
}

bool dcValueEntered(const Console& c, DcWorking& w, const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) {
        badNumber(c);
        return false;
    }
    if (v < kDcAMin || v > kDcAMax) {
        outOfRange(c);
        return false;
    }
    w.a = quint16(v);
    return true;
}

bool dcFlankEntered(const Console& c, DcWorking& w, int flank, const QString& text) {
    double v = 0;
    // A value a single-precision float cannot hold is no number for the sensor either.
    if (!parseNumber(text, &v) || !std::isfinite(float(v))) {
        badNumber(c);
        return false;
    }
    (flank == 2 ? w.flank2 : w.flank1) = float(v);
    return true;
}

bool acceptDc(Console& c, const DcWorking& w) {
    const int slot = selectedSlot(c);
    if (slot < 0 || !c.sensors[size_t(slot)].occupied()) return false;
    SensorRecord& r = c.sensors[size_t(slot)];
    // The oscilloscope tab sends its own values for the sensor it watches: they follow this sensor's
    // new ones, and only this sensor's.
    const bool watched = c.osc_slot == slot;
    if (r.sensor_type == 1) {
        r.dc_component1 = w.flank1;
        r.dc_component2 = w.flank2;
        if (watched) {
            c.osc_dc1 = w.flank1;
            c.osc_dc2 = w.flank2;
            c.osc.Delta1 = formatFixed3(w.flank1);
            c.osc.Delta2 = formatFixed3(w.flank2);
            c.changed(ConsoleUi::View::Oscilloscope);
        }
        saveLastingState(c, r);
        Put_Cmd(c, frame::setDcB(slot, w.flank1, w.flank2));
        return true;
    }
    if (r.sensor_type == 0) {
        // A sensor that never had a value (0) must not be sent one it cannot take.
        if (w.a < kDcAMin || w.a > kDcAMax) {
            outOfRange(c);
            return false;
        }
        r.dc_component1 = r.dc_component2 = float(w.a);
        if (watched) {
            c.osc_dc_a = w.a;
            c.osc.EDirect_component = QString::number(w.a);
            c.changed(ConsoleUi::View::Oscilloscope);
        }
        saveLastingState(c, r);
        Put_Cmd(c, frame::setDcA(slot, w.a));
        return true;
    }
    return false;
}

} // namespace vatrel
