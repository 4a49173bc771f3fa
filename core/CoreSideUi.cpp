// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CoreSideUi.h"
#include "core/CoreDoor.h"

#include <QThread>
#include <cstdio>
#include <utility>

namespace vatrel {

CoreSideUi::CoreSideUi(CoreDoor& door, SoundOutput* sound, int refreshMs)
    : m_door(door), m_sound(sound), m_refreshMs(qMax(0, refreshMs)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CoreSideUi::publish);
}

QList<CoreBox> CoreSideUi::endCall() {
    m_calls = qMax(0, m_calls - 1);
    return m_calls == 0 ? std::exchange(m_callBoxes, {}) : QList<CoreBox>{};
}

void CoreSideUi::message(const QString& caption, const QString& text, Icon icon) {
    if (QThread::currentThread() != thread()) { // not the core's own: straight on to the windows
        m_door.toWindows([caption, text, icon](ConsoleUi& ui) { ui.message(caption, text, icon); });
        return;
    }
    if (m_gathered) {
        m_gathered->append(text);
        return;
    }
    if (m_calls > 0) {
        m_callBoxes.append({caption, text, icon});
        return;
    }
    m_door.toWindows([caption, text, icon](ConsoleUi& ui) { ui.message(caption, text, icon); });
}

bool CoreSideUi::question(const QString& caption, const QString& text) {
    // The windows ask before they send a command; the core never waits for an answer.
    std::fprintf(stderr, "vatrel-console: a question reached the core unasked: %s: %s\n", qPrintable(caption),
                 qPrintable(text));
    return false;
}

void CoreSideUi::changed(View view) {
    m_dirty |= viewBit(view);
    schedule();
}

void CoreSideUi::sensorChanged(int slot, const SensorRecord&, const SensorRow&) {
    m_dirtyRows.set(size_t(slot));
    changed(View::SensorGrid);
}

void CoreSideUi::showAlarmWindow() {
    m_raise = true;
    schedule();
}

void CoreSideUi::playAlarmSound(const QString& wavPath) {
    if (m_sound) m_sound->play(wavPath);
}

void CoreSideUi::stopAlarmSound() {
    if (m_sound) m_sound->stop();
}

void CoreSideUi::converterLinkLost() {
    m_door.toWindows([](ConsoleUi& ui) { ui.converterLinkLost(); });
}

void CoreSideUi::converterLinkRestored() {
    m_door.toWindows([](ConsoleUi& ui) { ui.converterLinkRestored(); });
}

void CoreSideUi::oscillogramStarted(int) { changed(View::Oscilloscope); }

void CoreSideUi::oscillogramStopped() { changed(View::Oscilloscope); }

void CoreSideUi::oscillogramSampleB(const std::array<float, 8>&) {
    m_samples = true;
    schedule();
}

void CoreSideUi::schedule() {
    // Never in the middle of a receive pass: the first change after a quiet spell goes out as soon as
    // the pass is over, the ones that follow within the interval together when it ends.
    if (m_timer.isActive()) return;
    const qint64 since = m_sincePublish.isValid() ? m_sincePublish.elapsed() : m_refreshMs;
    m_timer.start(int(qMax<qint64>(0, m_refreshMs - since)));
}

void CoreSideUi::publish() {
    m_sincePublish.start();
    const ViewSet views = std::exchange(m_dirty, 0u);
    const SlotSet rows = std::exchange(m_dirtyRows, {});
    const bool raise = std::exchange(m_raise, false);
    const bool samples = std::exchange(m_samples, false);
    if (views || raise || samples) m_door.publish(views, rows, raise, samples);
}

} // namespace vatrel
