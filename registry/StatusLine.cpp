// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/StatusLine.h"

namespace vatrel {

void StatusLine::setPanel(int index, const QString& text) {
    if (index < 0 || index >= kPanels) return;
    m_panels[size_t(index)] = text;
    m_notices.changed(View::StatusBar);
}

void StatusLine::showClock(const QDateTime& time) {
    m_clock = time;
    m_notices.changed(View::Labels);
}

void StatusLine::showSensorCount(int count) {
    m_sensorCount = count;
    m_notices.changed(View::Labels);
}

void StatusLine::showWaitPanel(bool shown) {
    m_waitPanel = shown;
    m_notices.changed(View::WaitPanel);
}

} // namespace vatrel
