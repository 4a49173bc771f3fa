// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Alarms.h"
#include "registry/ConsoleUi.h"

namespace vatrel {

void alarmWindowCreate(AlarmBoard& alarms, const QString& dataDir) {
    alarms.setSoundPath(dataDir + QStringLiteral("/Error.wav"));
    alarms.setSoundOn(false);
}

void appendAlarm(AlarmBoard& alarms, const ChangeNotices& notices, const EventRecord& rec) {
    if (!alarms.soundOn()) {
        if (ConsoleUi* ui = notices.windows()) ui->playAlarmSound(alarms.soundPath());
        alarms.setSoundOn(true);
    }
    alarms.raise(rec);
}

void raiseAlarm(AlarmBoard& alarms, const ChangeNotices& notices, const EventRecord& rec) {
    appendAlarm(alarms, notices, rec);
    if (ConsoleUi* ui = notices.windows()) ui->showAlarmWindow();
}

} // namespace vatrel
