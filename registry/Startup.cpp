// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Startup.h"
#include "registry/EventLog.h"
#include "registry/NumberFormat.h"
#include "registry/Storage.h"

namespace vatrel {

namespace {

const QString kNorm = QStringLiteral("Норма");
const QString kAlarm = QStringLiteral("Тревога");

QString armedText(quint8 armed) { return armed == 1 ? QStringLiteral("Взят") : QStringLiteral("Снят"); }

void setHeader(TextGrid& grid, const QStringList& texts) {
    for (int col = 0; col < texts.size(); ++col)
        grid.set(col, 0, texts[col]);
}

} // namespace

QString stateText(int status) {
    switch (status & 0xFFFF) {
    case 0:
        return QStringLiteral("Норма");
    case 2:
        return QStringLiteral("Сопр.изол.ЧЭ1 ниже нормы");
    case 3:
        return QStringLiteral("Сопр.изол.ЧЭ2 ниже нормы");
    case 4:
        return QStringLiteral("Обрыв ЧЭ 1");
    case 5:
        return QStringLiteral("Обрыв ЧЭ 2");
    case 7:
        return QStringLiteral("Разбаланс фл.(1>2)");
    case 8:
        return QStringLiteral("Разбаланс фл.(2>1)");
    case 9:
        return QStringLiteral("Ошибка ППЗУ");
    case 10:
        return QStringLiteral("Сопр.изол.ЧЭ1 ниже нормы. Обрыв ЧЭ1");
    case 11:
        return QStringLiteral("Сопр.изол.ЧЭ2 ниже нормы. Обрыв ЧЭ2");
    case 15:
        return QStringLiteral("Нет связи");
    default:
        return QString();
    }
}

void fillSensorRow(Console& c, int slot) {
    if (slot < 0 || slot >= kSlots) return;
    const SensorRecord& r = c.sensors.record(slot);
    if (!r.occupied()) return;
    TextGrid& g = c.sensor_grid;
    const int row = slot + 1;

    g.set(colAddress, row, QString::number(r.factory_number));
    g.set(colType, row, typeName(r.sensor_type));

    if (r.loop1_alarm == 0)
        g.set(colLoop1, row, kNorm);
    else if (r.loop1_alarm == 1)
        g.set(colLoop1, row, kAlarm);
    if (r.loop2_alarm == 0)
        g.set(colLoop2, row, kNorm);
    else if (r.loop2_alarm == 1)
        g.set(colLoop2, row, kAlarm);

    if (r.status == 0)
        setRowColour(c, slot, (r.loop1_alarm == 1 || r.loop2_alarm == 1) ? colours::alarm : colours::green);

    g.set(colThreshold1, row, formatGeneral(r.threshold1));
    g.set(colThreshold2, row, formatGeneral(r.threshold2));
    if (r.sensor_type == 1) {
        g.set(colSignal1, row, formatGeneral(r.signal1_b));
        g.set(colSignal2, row, formatGeneral(r.signal2_b));
    } else if (r.sensor_type == 0) {
        g.set(colSignal1, row, formatGeneral(r.signal1_a));
        g.set(colSignal2, row, formatGeneral(r.signal2_a));
    }

    // The state text looks at the low 16 bits of the stored code only.
    const int code = r.status & 0xFFFF;
    g.set(colState, row, stateText(code));
    if (isFaultCode(code))
        setRowColour(c, slot, colours::alarm);
    else if (code == 15)
        setRowColour(c, slot, colours::link_lost);

    c.changed(ConsoleUi::View::SensorGrid);
}

void init_globals(Console& c) {
    // 1. Sensor table header.
    setHeader(c.sensor_grid,
              {QStringLiteral("№ п/п"), QStringLiteral("Адрес"), QStringLiteral("Датчик"),
               QStringLiteral("Ш1"), QStringLiteral("Ш2"), QStringLiteral("Порог 1"),
               QStringLiteral("Сигнал 1"), QStringLiteral("Порог 2"), QStringLiteral("Сигнал 2"),
               QStringLiteral("Состояние"), QStringLiteral("На охране Ш1"), QStringLiteral("На охране Ш2")});
    // 4. Event list header.
    setHeader(c.event_grid, {QStringLiteral("Дата и время"), QStringLiteral("Наименование события")});
    // 5. Position numbers and start-up defaults of every slot.
    for (int s = 0; s < kSlots; ++s) {
        c.sensor_grid.set(colPos, s + 1, QString::number(s + 1));
    }
    c.sensors.resetToStartupDefaults();
    // 6. Row styles.
    for (int i = 0; i < kSlots; ++i) {
        c.SensorRowStyles[size_t(i)] = {colours::silver, colours::black, 9, 0};
        c.EventRowStyles[size_t(i)] = {colours::info_background, colours::black, 9, 0};
        c.ReportRowStyles[size_t(i)] = {colours::info_background, colours::black, 9, 0};
    }
    // 7. Status bar.
    c.status_panels[1] = QStringLiteral("Alt+X-Выход");
    c.changed(ConsoleUi::View::StatusBar);
    // 8. Stored files.
    loadSensors(c);
    c.operators.load(c.data_dir, c.ui);
    loadSensorSettings(c);
    // 9. Table rows.
    for (int s = 0; s < kSlots; ++s)
        fillSensorRow(c, s);
    // 10. Armed texts.
    for (int s = 0; s < kSlots; ++s) {
        const SensorRecord& r = c.sensors.record(s);
        if (!r.occupied()) continue;
        c.sensor_grid.set(colArmed1, s + 1, armedText(r.loop1_armed));
        c.sensor_grid.set(colArmed2, s + 1, armedText(r.loop2_armed));
    }
    c.changed(ConsoleUi::View::SensorGrid);
    // 11. Sensor count.
    countSensorsForToolbar(c);
    // 12. Links are unknown until the sensors answer; the diagnostics grid counts from 0 (its texts
    // are the window's).
    for (int s = 0; s < kSlots; ++s) {
        SensorRecord& r = c.sensors.record(s);
        if (!r.occupied()) continue;
        r.link_up = 0;
        feedSensor(c, s);
    }
    c.link.startUp(c.sensors);
    // 13. Address map.
    c.sensors.mapAllAddresses();
    // 14. An oscillogram that was running when the program last stopped.
    bool oscRestored = false;
    for (int s = 0; s < kSlots; ++s) {
        const SensorRecord& r = c.sensors.record(s);
        if (!r.occupied() || r.osc_active != 1) continue;
        oscRestored = true;
        c.osc_slot = r.slot_index;
        c.osc.Edit7 = QString::number(r.slot_index + 1);
        c.osc.ButtonOnOscillVB_enabled = false;
        c.osc.Edit7_enabled = false;
        c.osc.LabelNumPosOscill_enabled = false;
        if (r.sensor_type == 1) {
            c.osc_dc1 = r.dc_component1;
            c.osc.Delta1 = formatFixed3(c.osc_dc1);
            c.osc_dc2 = r.dc_component2;
            c.osc.Delta2 = formatFixed3(c.osc_dc2);
        } else if (r.sensor_type == 0) {
            c.osc_dc_a = dcComponentWord(r.dc_component1);
        }
    }
    if (oscRestored) {
        c.changed(ConsoleUi::View::Oscilloscope);
        c.changed(ConsoleUi::View::SensorGrid); // rows other than the oscillogram's are dimmed
    }
}

void saveAllOnExit(Console& c) {
    c.sensors.resetLiveStates();
    saveSensors(c);
    for (const auto& r : c.sensors.records())
        if (r.occupied()) saveSensorSettings(c, r, 'u');
}

} // namespace vatrel
