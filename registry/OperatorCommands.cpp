// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/OperatorCommands.h"

namespace vatrel {

const QString& noSelectionText() {
    static const QString text =
        QStringLiteral("Выберите позицию датчика в таблице, щёлкнув левой кнопкой мыши по "
                       "соответствующей ячейке столбца <Зав.№>");
    return text;
}

int selectedSlot(const TableSelection& selection) { return selection.slot(); }

PopupMenuState sensorMenuState(const TableSelection& selection, const SensorTable& sensors,
                               const ChangeNotices& notices, const TimedDisarms* timers) {
    PopupMenuState m; // everything but N1 starts disabled
    const int slot = selectedSlot(selection);
    if (slot < 0) {
        notices.error(noSelectionText());
        return m;
    }
    const SensorRecord& s = sensors.record(slot);
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
    const bool timed1 = timers && timers->end(s.factory_number, 1);
    const bool timed2 = timers && timers->end(s.factory_number, 2);
    m.PRemoveSh1 = m.PRemoveSh1 || timed1;
    m.PRemoveSh2 = m.PRemoveSh2 || timed2;
    m.PTimedRemoveSh1 = m.PRemoveSh1;
    m.PTimedRemoveSh2 = m.PRemoveSh2;
    return m;
}

DialogRequest askSensorLog(const TableSelection& selection, const SensorTable& sensors,
                           const ChangeNotices& notices) {
    const int slot = selectedSlot(selection);
    if (slot < 0) {
        notices.error(noSelectionText());
        return DialogRequest::None;
    }
    if (!sensors.occupied(slot)) return DialogRequest::None;
    return DialogRequest::SensorLog;
}

void selectSensorCell(TableSelection& selection, int col, int row) { selection.select(col, row); }

} // namespace vatrel
