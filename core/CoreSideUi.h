// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ShownState.h"
#include "registry/ConsoleUi.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace vatrel {

class CoreDoor;
class SoundOutput;

// A box the core raised during an operator's command: the windows show it once the command is done.
struct CoreBox {
    QString caption;
    QString text;
    ConsoleUi::Icon icon = ConsoleUi::Icon::None;
};

// The core's ConsoleUi when the core runs on its own thread. Lives on that thread and never waits
// for the windows: changes are gathered and handed to the door at most once per refresh interval,
// boxes travel to the windows as queued notices, and the alarm sound starts and stops right here.
class CoreSideUi : public QObject, public ConsoleUi {
public:
    CoreSideUi(CoreDoor& door, SoundOutput* sound, int refreshMs);

    // Between these, the boxes raised are kept for the command's caller instead of being sent.
    void beginCall() { ++m_calls; }
    void setRefreshInterval(int ms) { m_refreshMs = qMax(0, ms); }
    QList<CoreBox> endCall();

    void message(const QString& caption, const QString& text, Icon icon) override;
    bool question(const QString& caption, const QString& text) override;
    void gatherMessages(QStringList* into) override { m_gathered = into; }
    void changed(View view) override;
    void sensorChanged(int slot, const SensorRecord& record, const SensorRow& row) override;
    void showAlarmWindow() override;
    void playAlarmSound(const QString& wavPath) override;
    void stopAlarmSound() override;
    void converterLinkLost() override;
    void converterLinkRestored() override;
    void oscillogramStarted(int slot) override;
    void oscillogramStopped() override;
    void oscillogramSampleB(const std::array<float, 8>& values) override;

private:
    void schedule();
    void publish();

    CoreDoor& m_door;
    SoundOutput* m_sound;
    int m_refreshMs;
    int m_calls = 0;
    QList<CoreBox> m_callBoxes;
    QStringList* m_gathered = nullptr;
    ViewSet m_dirty = 0;
    SlotSet m_dirtyRows; // the sensor table's rows changed since the last publish
    bool m_raise = false;
    bool m_samples = false;
    QTimer m_timer;
    QElapsedTimer m_sincePublish;
};

} // namespace vatrel
