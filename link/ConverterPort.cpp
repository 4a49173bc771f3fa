// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ConverterPort.h"
#include "link/Engine.h"

namespace vatrel {

bool ConverterPort::openPort(int portNumber, ConverterState state) {
    if (!m_link.openPort(portNumber, m_dataDir)) return false;
    clearQueue(m_link, m_osc);
    m_link.restart(state);
    m_status.setPanel(StatusLine::kConverterPanel, QString());
    return true;
}

void ConverterPort::choosePort(int index) {
    m_link.stopReceiving();
    m_link.closePort();
    m_ports.choose(index);
    openStartupPort();
}

void ConverterPort::openStartupPort() {
    const bool ok = openPort(m_ports.portNumber());
    m_status.setPanel(StatusLine::kPortPanel,
                      m_ports.portName() + (ok ? QStringLiteral(" включён") : QStringLiteral(" выключен")));
}

void ConverterPort::watchdogTick() {
    if (!m_link.watchdogTick()) return;
    m_link.stopReceiving();
    m_link.closePort();
    // Status panel 2 stays as it is. The link stays lost: a further failure must not repeat the
    // link-lost notice.
    openPort(m_ports.portNumber(), ConverterState::Lost);
    m_link.setState(ConverterState::Lost);
}

} // namespace vatrel
