// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/WidgetUi.h"
#include "core/CoreDoor.h"
#include "dialogs/AlarmSound.h"
#include "core/Console.h"

#include <memory>

namespace vatrel {

class AboutBox;
class DcComponentDialog;
class LogViewer;
class ConnectSensorDialog;
class DisconnectSensorDialog;
class PlanWindow;

// Every window of the program, created once in the fixed order: the main window first (its
// creation loads all files and opens the port), then the dialogs and the alarm window. The door to
// the core comes before them all: threaded, the core runs on its own thread from then on (the
// running program); inline, on the window thread (tests). The windows go after the core has
// stopped.
class ConsoleWindows {
public:
    // `ui` replaces the default WidgetUi (tests answer questions through a subclass).
    explicit ConsoleWindows(Console& c, std::unique_ptr<WidgetUi> ui = {},
                            CoreDoor::Mode mode = CoreDoor::Mode::Inline);
    ~ConsoleWindows();
    ConsoleWindows(const ConsoleWindows&) = delete;
    ConsoleWindows& operator=(const ConsoleWindows&) = delete;

    WidgetUi* ui() const { return m_ui.get(); }
    CoreDoor* door() const { return m_door.get(); }
    // Views are redrawn at most once per `ms`, on both sides of the door.
    void setRefreshInterval(int ms);
    MainWindow* mainWindow() const { return m_fmain.get(); }
    AlarmWindow* alarmWindow() const { return m_alarm.get(); }
    PlanWindow* planWindow() const { return m_plan.get(); }
    AboutBox* aboutBox = nullptr;
    ConnectSensorDialog* connectDialog = nullptr;
    DisconnectSensorDialog* disconnectDialog = nullptr;
    LogViewer* logViewer = nullptr;
    DcComponentDialog* dcDialog = nullptr;

private:
    Console& m_c;
    std::unique_ptr<WidgetUi> m_ui;
    AlarmSound m_coreSound; // the alarm sound of a core on its own thread
    std::unique_ptr<CoreDoor> m_door;
    std::unique_ptr<MainWindow> m_fmain; // parent of the modal dialogs
    std::unique_ptr<AlarmWindow> m_alarm;
    std::unique_ptr<PlanWindow> m_plan;
};

} // namespace vatrel
