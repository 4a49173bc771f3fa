// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/MainWindow.h"
#include "app/PlanWindow.h"
#include "app/WindowRules.h"
#include "dialogs/AlarmWindow.h"
#include "registry/ConsoleUi.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace vatrel {

// The real windows behind the core's ConsoleUi. Boxes raised by the core never run a nested modal
// loop: they are opened without blocking, and a text already on screen is not shown a second time.
class WidgetUi : public QObject, public ConsoleUi {
    Q_OBJECT
public:
    explicit WidgetUi(QObject* parent = nullptr);

    void setMainWindow(MainWindow* w) { m_main = w; }
    void setAlarmWindow(AlarmWindow* w);
    void setPlanWindow(PlanWindow* w) { m_plan = w; }
    // Views are redrawn at most once per `ms` (0: on every change). A busy line reports many times a
    // second; repainting the sensor table for each report would eat the processor for nothing.
    void setRefreshInterval(int ms);
    // Applies every pending change to the windows now.
    void flushViews();

    void message(const QString& caption, const QString& text, Icon icon) override;
    bool question(const QString& caption, const QString& text) override;
    void beginOperatorAction() override { ++m_operatorActions; }
    void endOperatorAction() override { m_operatorActions = qMax(0, m_operatorActions - 1); }
    void gatherMessages(QStringList* into) override { m_gathered = into; }
    void changed(View view) override;
    void showAlarmWindow() override;
    void playAlarmSound(const QString& wavPath) override;
    void stopAlarmSound() override;
    void converterLinkLost() override;
    void converterLinkRestored() override;
    void oscillogramStarted(int slot) override;
    void oscillogramStopped() override;
    void oscillogramSampleB(const std::array<float, 8>& values) override;

private:
    QWidget* boxParent() const;
    void applyView(View view);
    void scheduleFlush();
    void raiseAlarmWindow();

    WindowRules m_rules; // the alarm window's buttons work whatever else is open; nothing hides under it
    QPointer<MainWindow> m_main;
    QPointer<AlarmWindow> m_alarm;
    QPointer<PlanWindow> m_plan;
    QHash<QString, QPointer<QMessageBox>> m_openBoxes; // by text
    QStringList* m_gathered = nullptr; // where message() puts its texts while the exit gathers them
    int m_operatorActions = 0;         // nesting depth of beginOperatorAction()
    int m_refreshMs = 0;
    quint32 m_dirty = 0; // one bit per View
    bool m_alarmRaisePending = false;
    QTimer m_refreshTimer;
    QElapsedTimer m_sinceFlush;
};

} // namespace vatrel
