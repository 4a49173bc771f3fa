// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Alarms.h"
#include "registry/ConsoleUi.h"
#include "registry/EventLog.h"

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

void alarmsEnd(AlarmBoard& alarms, EventCode normalEvent, quint32 factoryNumber, qint16 sensorType,
               double time) {
    if (alarms.isEmpty()) return; // the usual case on a quiet line: no text to build, nothing to look at
    switch (normalEvent) {
    case EventCode::LoopNormal1:
    case EventCode::LoopNormal2: {
        // Both loops' alarms share a code: the text names the loop.
        const int loop = normalEvent == EventCode::LoopNormal1 ? 1 : 2;
        const QString text = eventText(loopAlarmCode(loop), factoryNumber, sensorType);
        const qint8 code = storedCode(loopAlarmCode(loop));
        alarms.alarmsOver(factoryNumber, time,
                          [&](const EventRecord& e) { return e.code == code && e.text == text; });
        return;
    }
    case EventCode::SensorNormal:
        alarms.alarmsOver(factoryNumber, time, [](const EventRecord& e) { return isFaultCode(e.code); });
        return;
    case EventCode::LinkRestoredSensor: {
        const qint8 code = storedCode(EventCode::LinkLostSensor);
        alarms.alarmsOver(factoryNumber, time, [code](const EventRecord& e) { return e.code == code; });
        return;
    }
    default:
        return;
    }
}

void silenceWhenNoneNew(AlarmBoard& alarms, const ChangeNotices& notices) {
    if (alarms.anyNew()) return;
    // Stopped even when nothing is flagged as playing: the last acknowledgement must end in silence.
    if (ConsoleUi* ui = notices.windows()) ui->stopAlarmSound();
    alarms.setSoundOn(false);
}

} // namespace vatrel
