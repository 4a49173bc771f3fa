// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConsoleWindows.h"
#include "app/ConsoleFonts.h"
#include "app/MainWindow.h"
#include "app/PlanWindow.h"
#include "app/WidgetUi.h"
#include "dialogs/ConnectSensorDialog.h"
#include "dialogs/AboutBox.h"
#include "dialogs/AlarmWindow.h"
#include "dialogs/DcComponentDialog.h"
#include "dialogs/LogViewer.h"
#include "dialogs/DisconnectSensorDialog.h"

namespace vatrel {

ConsoleWindows::ConsoleWindows(Console& c, std::unique_ptr<WidgetUi> ui, CoreDoor::Mode mode)
    : m_c(c), m_ui(std::move(ui)) {
    registerConsoleFonts();
    if (!m_ui) m_ui = std::make_unique<WidgetUi>();
    m_door = std::make_unique<CoreDoor>(c, mode);
    m_door->connectWindows(m_ui.get(), &m_coreSound, 0);
    CoreDoor& door = *m_door;

    m_fmain = std::make_unique<MainWindow>(door);
    m_ui->setMainWindow(m_fmain.get());
    MainWindow* fmain = m_fmain.get();
    aboutBox = new AboutBox(fmain);
    connectDialog = new ConnectSensorDialog(door, fmain);
    disconnectDialog = new DisconnectSensorDialog(door, fmain);
    logViewer = new LogViewer(door, fmain);
    // The alarm window stands on its own: it must stay usable whatever the main window does.
    m_alarm = std::make_unique<AlarmWindow>(door);
    m_ui->setAlarmWindow(m_alarm.get());
    dcDialog = new DcComponentDialog(door, fmain);

    fmain->setDialogs({aboutBox, connectDialog, disconnectDialog, logViewer, dcDialog});

    // The site plan stands on its own too (often on a second screen); it is read when first shown.
    m_plan = std::make_unique<PlanWindow>(door);
    PlanWindow* plan = m_plan.get();
    m_ui->setPlanWindow(plan);
    QObject::connect(fmain, &MainWindow::planWindowRequested, plan, &PlanWindow::open);
    QObject::connect(plan, &PlanWindow::sensorChosen, fmain, &MainWindow::selectSensorRow);
    QObject::connect(plan, &PlanWindow::sensorMenuRequested, fmain, [fmain](int slot, QPoint screenPos) {
        fmain->selectSensorRow(slot);
        fmain->showSensorMenuAt(screenPos);
    });
    QObject::connect(m_alarm.get(), &AlarmWindow::alarmDoubleClicked, plan,
                     [plan](quint32 number) { plan->showSensor(number); });
}

ConsoleWindows::~ConsoleWindows() {
    // Nothing may reach the windows while they are being destroyed.
    m_door->shutDown();
    if (m_c.ui == m_ui.get()) m_c.ui = nullptr;
    m_plan.reset();
    m_alarm.reset();
    m_fmain.reset();
}

void ConsoleWindows::setRefreshInterval(int ms) {
    m_ui->setRefreshInterval(ms);
    m_door->setRefreshInterval(ms);
}

} // namespace vatrel
