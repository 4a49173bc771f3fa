// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/WidgetUi.h"
#include "registry/Console.h"

#include <memory>

namespace vatrel {

class TAboutBox;
class TFDirect_component_porog;
class TFQReport;
class TFSetSensor;
class TRemoveSensor;

// Every window of the program, created once in the fixed order: the main window first (its
// creation loads all files and opens the port), then the dialogs and the alarm window. The
// console's ui is installed before the main window is built and removed when the windows go.
class ConsoleWindows {
public:
    // `ui` replaces the default WidgetUi (tests answer questions through a subclass).
    explicit ConsoleWindows(Console& c, std::unique_ptr<WidgetUi> ui = {});
    ~ConsoleWindows();
    ConsoleWindows(const ConsoleWindows&) = delete;
    ConsoleWindows& operator=(const ConsoleWindows&) = delete;

    WidgetUi* ui() const { return m_ui.get(); }
    TFmain* Fmain() const { return m_fmain.get(); }
    TFormAlarmWindow* FormAlarmWindow() const { return m_alarm.get(); }
    TAboutBox* AboutBox = nullptr;
    TFSetSensor* FSetSensor = nullptr;
    TRemoveSensor* RemoveSensor = nullptr;
    TFQReport* FQReport = nullptr;
    TFDirect_component_porog* FDirect_component_porog = nullptr;

private:
    Console& m_c;
    std::unique_ptr<WidgetUi> m_ui;
    std::unique_ptr<TFmain> m_fmain; // parent of the modal dialogs
    std::unique_ptr<TFormAlarmWindow> m_alarm;
};

} // namespace vatrel
