// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "link/ConverterLink.h"
#include "registry/OscControls.h"
#include "registry/PortChoice.h"
#include "registry/StatusLine.h"

namespace vatrel {

// The serial port the converter is on (numbered 1 … 71 = the port list's index + 1), as the
// start-up, the operator's choice and the clock's watchdog open it. It refers to the parts it
// changes and is passed on by value.
class ConverterPort {
public:
    ConverterPort(ConverterLink& link, PortChoice& ports, OscControls& osc, StatusLine& status,
                  const QString& dataDir)
        : m_link(link), m_ports(ports), m_osc(osc), m_status(status), m_dataDir(dataDir) {}

    // Opens port `portNumber`. A successful open resets the link bookkeeping (queue, link state
    // `state`, write failures, six counters "0", status panel 4 empty) and starts the receive
    // passes. Returns true on success.
    bool openPort(int portNumber, ConverterState state = ConverterState::Unknown);
    // The operator chose a port on the diagnostics tab: reopens and writes status panel 2.
    void choosePort(int index);
    // Opens the chosen port (at start-up, after a choice): status panel 2 := port name + " включён" /
    // " выключен".
    void openStartupPort();
    // One tick of the watchdog: while the converter is not up, every fourth tick reopens the port.
    void watchdogTick();

private:
    ConverterLink& m_link;
    PortChoice& m_ports;
    OscControls& m_osc;
    StatusLine& m_status;
    const QString& m_dataDir;
};

} // namespace vatrel
