// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Alarms.h"

namespace vatrel {

void alarmWindowCreate(Console& c) {
    c.alarms.setSoundPath(c.data_dir + QStringLiteral("/Error.wav"));
    c.alarms.setSoundOn(false);
}

void appendAlarm(Console& c, const EventRecord& rec) {
    AlarmBoard& a = c.alarms;
    if (!a.soundOn()) {
        if (c.ui) c.ui->playAlarmSound(a.soundPath());
        a.setSoundOn(true);
    }
    a.raise(rec);
}

void raiseAlarm(Console& c, const EventRecord& rec) {
    appendAlarm(c, rec);
    if (c.ui) c.ui->showAlarmWindow();
}

} // namespace vatrel
