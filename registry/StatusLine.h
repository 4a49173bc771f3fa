// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"

#include <QDateTime>
#include <QString>
#include <array>

namespace vatrel {

// What the main window shows around its tables: the status bar's panels, the toolbar's clock and
// sensor count, and the panel that asks the operator to wait while the address map goes to the
// converter. Every change is announced.
class StatusLine {
public:
    static constexpr int kPanels = 5;
    static constexpr int kLogPanel = 0;       // the event log files' trouble (a full disk), or nothing
    static constexpr int kKeysPanel = 1;      // "Alt+X-Выход"
    static constexpr int kPortPanel = 2;      // the chosen port and whether it opened
    static constexpr int kConverterPanel = 4; // the converter link's last change

    void connect(const ChangeNotices* notices) { m_notices.connect(notices); }

    const QString& panel(int index) const { return m_panels[size_t(qBound(0, index, kPanels - 1))]; }
    void setPanel(int index, const QString& text);

    // The clock time the weekday and date labels show (null before the first tick).
    const QDateTime& clock() const { return m_clock; }
    void showClock(const QDateTime& time);
    // The sensor count the toolbar shows.
    int sensorCount() const { return m_sensorCount; }
    void showSensorCount(int count);

    bool waitPanelShown() const { return m_waitPanel; }
    void showWaitPanel(bool shown);

private:
    NoticeLine m_notices;
    std::array<QString, kPanels> m_panels{};
    QDateTime m_clock;
    int m_sensorCount = 0;
    bool m_waitPanel = false;
};

} // namespace vatrel
