// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/OperatorCommands.h"

namespace vatrel {

const QString& noSelectionText() {
    static const QString text =
        QStringLiteral("Выберите позицию датчика в таблице, щёлкнув левой кнопкой мыши по "
                       "соответствующей ячейке столбца <Зав.№>");
    return text;
}

int selectedSlot(const Console& c) { return c.selection.slot(); }

PopupMenuState sensorMenuState(Console& c) {
    PopupMenuState m; // everything but N1 starts disabled
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(noSelectionText());
        return m;
    }
    const SensorRecord& s = c.sensors.record(slot);
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

DialogRequest askSensorLog(Console& c) {
    const int slot = selectedSlot(c);
    if (slot < 0) {
        c.error(noSelectionText());
        return DialogRequest::None;
    }
    if (!c.sensors.occupied(slot)) return DialogRequest::None;
    return DialogRequest::SensorLog;
}

void selectSensorCell(Console& c, int col, int row) { c.selection.select(col, row); }

} // namespace vatrel
