// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/OperatorCommands.h"
#include "registry/EventLog.h"
#include "registry/Storage.h"

namespace vatrel {

namespace {

const QString& noSelectionText() {
    static const QString text =
        QStringLiteral("Выберите позицию датчика в таблице, щёлкнув левой кнопкой мыши по "
                       "соответствующей ячейке столбца <Зав.№>");
    return text;
}

// The selected slot, or -1 when no table row is selected. A row outside the table counts as no
// selection so that it never indexes past the sensor table.
int selectedSlot(const Console& c) {
    if (c.selected_row < 1 || c.selected_row > kSlots) return -1;
    return c.selected_row - 1;
}

// Whether a connect or disconnect dialog may open: refused only while the converter is linked and
// the address map is still on its way to it.
bool addressMapAllowsDialog(const Console& c) {
    return c.engine.KartaAdressPos == kSlots || c.engine.Conv_link != 1;
}

// Arms (arm = true) or disarms one loop of the selected sensor.
void loopCommand(Console& c, int loop, bool arm) {
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(noSelectionText());
        return;
    }
    SensorRecord& s = c.sensors[size_t(slot)];
    // An empty position has no loops to arm, whatever its link flag says.
    if (c.slot_online[size_t(slot)] == 0 || !s.occupied()) return;
    quint8& flag = loop == 1 ? s.loop1_armed : s.loop2_armed;
    if (arm ? flag == 1 : flag == 0) return;
    flag = arm ? 1 : 0;
    saveLastingState(c, s); // the file first, the event after

    Put_msg(c, sensorEvent(c, armCode(arm, loop), s.factory_number, s.sensor_type), s.sensor_type);

    c.sensor_grid.set(loop == 1 ? colArmed1 : colArmed2, c.selected_row,
                      arm ? QStringLiteral("Взят") : QStringLiteral("Снят"));
    if (arm)
        setRowColour(c, slot, colours::green); // also over the alarm colour of a faulty sensor
    else if (s.loop1_armed == 0 && s.loop2_armed == 0)
        setRowColour(c, slot, colours::aqua);
    c.changed(ConsoleUi::View::SensorGrid);
    feedSensor(c, slot);
}

} // namespace

PopupMenuState PopupMenu1Popup(Console& c) {
    PopupMenuState m; // everything but N1 starts disabled
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(noSelectionText());
        return m;
    }
    const SensorRecord& s = c.sensors[size_t(slot)];
    if (!s.occupied()) {
        m.PEstablish = true;
        return m;
    }
    m.PRemove = true;
    m.N_Direct_component_porog = true;
    m.PRemoveSh1 = s.loop1_armed != 0;
    m.PSetSh1 = !m.PRemoveSh1;
    m.PRemoveSh2 = s.loop2_armed != 0;
    m.PSetSh2 = !m.PRemoveSh2;
    return m;
}

DialogRequest PEstablishClick(Console& c) {
    if (addressMapAllowsDialog(c)) return DialogRequest::SetSensor;
    c.error(QStringLiteral("В преобразователь не передана таблица адресов устройств на шине"));
    return DialogRequest::None;
}

DialogRequest PRemoveClick(Console& c) {
    if (addressMapAllowsDialog(c)) return DialogRequest::RemoveSensor;
    c.error(QStringLiteral("В преобразователь не передана таблица адресов устройств на шине"));
    return DialogRequest::None;
}

DialogRequest N_Direct_component_porogClick(Console& c) {
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(noSelectionText());
        return DialogRequest::None;
    }
    if (!c.sensors[size_t(slot)].occupied()) return DialogRequest::None;
    if (c.engine.Conv_link != 1) {
        c.error(QStringLiteral("Нет связи с преобразователем"));
        return DialogRequest::None;
    }
    if (c.engine.KartaAdressPos == kSlots) return DialogRequest::DirectComponent;
    c.error(QStringLiteral("Идёт передача в преобразователь таблицы адресов"));
    return DialogRequest::None;
}

DialogRequest N1Click(Console& c) {
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(noSelectionText());
        return DialogRequest::None;
    }
    if (!c.sensors[size_t(slot)].occupied()) return DialogRequest::None;
    return DialogRequest::SensorLog;
}

void PSetSh1Click(Console& c) {
    loopCommand(c, 1, true);
}
void PSetSh2Click(Console& c) {
    loopCommand(c, 2, true);
}
void PRemoveSh1Click(Console& c) {
    loopCommand(c, 1, false);
}
void PRemoveSh2Click(Console& c) {
    loopCommand(c, 2, false);
}

void StringGrid1SelectCell(Console& c, int col, int row) {
    c.changed(ConsoleUi::View::SensorGrid);
    c.selected_col = col;
    c.selected_row = row;
}

} // namespace vatrel
