// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConsoleWindows.h"
#include "app/ConsoleFonts.h"
#include "app/Umain.h"
#include "app/WidgetUi.h"
#include "dialogs/Setsensor.h"
#include "dialogs/Uabout.h"
#include "dialogs/Ualarmwindow.h"
#include "dialogs/Udirect_component_porog.h"
#include "dialogs/Uqreport.h"
#include "dialogs/Uremovesensor.h"

namespace vatrel {

ConsoleWindows::ConsoleWindows(Console& c, std::unique_ptr<WidgetUi> ui) : m_c(c), m_ui(std::move(ui)) {
    registerConsoleFonts();
    if (!m_ui) m_ui = std::make_unique<WidgetUi>();
    c.ui = m_ui.get();

    m_fmain = std::make_unique<TFmain>(c);
    m_ui->setMainWindow(m_fmain.get());
    TFmain* fmain = m_fmain.get();
    AboutBox = new TAboutBox(fmain);
    FSetSensor = new TFSetSensor(c, fmain);
    RemoveSensor = new TRemoveSensor(c, fmain);
    FQReport = new TFQReport(c, fmain);
    // The alarm window stands on its own: it must stay usable whatever the main window does.
    m_alarm = std::make_unique<TFormAlarmWindow>(c);
    m_ui->setAlarmWindow(m_alarm.get());
    FDirect_component_porog = new TFDirect_component_porog(c, fmain);

    fmain->setDialogs({AboutBox, FSetSensor, RemoveSensor, FQReport, FDirect_component_porog});
}

ConsoleWindows::~ConsoleWindows() {
    // Nothing may reach the windows while they are being destroyed.
    if (m_c.ui == m_ui.get()) m_c.ui = nullptr;
    m_alarm.reset();
    m_fmain.reset();
}

} // namespace vatrel
