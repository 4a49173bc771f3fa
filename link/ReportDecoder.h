// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "link/ConverterLink.h"
#include "registry/ChangeNotices.h"
#include "registry/SensorRows.h"
#include "registry/SensorTable.h"
#include "registry/StatusLine.h"
#include "registry/EventCatalogue.h"

#include <functional>

namespace vatrel {

// Turns the converter's reports into changes of the sensor table and of what its rows show, the
// link's per-slot counts and link states, and events. It changes only the parts it is given; the
// events it makes and the measurements it finds go to its outlet. Each sensor a report or the loss
// of the converter changed is announced once, when the decoder is done with it.
class ReportDecoder {
public:
    struct Outlet {
        // An event of the slot's sensor: logged, and raised as an alarm where the loop is armed.
        std::function<void(int slot, EventCode event)> event;
        // A status report's measurements, for the slot's cells and the oscilloscope.
        std::function<void(const char* text, int len, quint8 code, int slot)> measurements;
    };

    ReportDecoder(SensorTable& sensors, SensorRows& rows, ConverterLink& link, StatusLine& status,
                  const ChangeNotices& notices, Outlet outlet)
        : m_sensors(sensors), m_rows(rows), m_link(link), m_status(status), m_notices(notices),
          m_outlet(std::move(outlet)) {}

    // A valid '~' report: `text` is the frame text after '~' without CR LF, `len` characters.
    void decode(const char* text, int len, quint8 code);
    // The converter's link is lost: every occupied slot loses its link.
    void converterLost();

private:
    void loopEntersAlarm(int slot, int number);
    void loopStep(int slot, int number, bool bit, int code);
    void stateStep(int slot, int code, bool b1, bool b2);
    void statusReport(int slot, const char* text, int len, quint8 code);
    void slotLost(int slot);
    void report(const char* text, int len, quint8 code); // decode without the gathering

    SensorTable& m_sensors;
    SensorRows& m_rows;
    ConverterLink& m_link;
    StatusLine& m_status;
    const ChangeNotices& m_notices;
    Outlet m_outlet;
};

} // namespace vatrel
