// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Receiver.h"

#include "link/Engine.h"
#include "link/Frame.h"
#include "link/SerialPort.h"
#include "registry/ConsoleUi.h"

namespace vatrel {

void Receiver::setConverterPanel(const QString& text) {
    m_status.setPanel(StatusLine::kConverterPanel, text);
}

void Receiver::linkRestored() {
    m_link.setMapPosition(1);
    m_status.showWaitPanel(true);
    m_link.setState(ConverterState::Up);
    setConverterPanel(QStringLiteral("Связь с преобразователем восстановлена"));
    m_eventLog.logProgramEvent(m_eventLog.programEvent(EventCode::LinkRestoredConverter));
    if (ConsoleUi* ui = m_notices.windows()) ui->converterLinkRestored();
}

void Receiver::linkLost(LossCause cause) {
    if (cause == LossCause::PortFailure) oscillogramStopped(m_sensors, m_osc, m_notices);
    m_link.setState(ConverterState::Lost);
    m_link.setMapPosition(1);
    // The port-failure text has a Latin "c" in its second word; operators know the two apart by it.
    setConverterPanel(cause == LossCause::ReplyTimeouts ? QStringLiteral("Нет связи с преобразователем")
                                                        : QStringLiteral("Нет связи c преобразователем"));
    m_eventLog.logProgramEvent(m_eventLog.programEvent(EventCode::LinkLostConverter));
    m_reports.converterLost();
    if (ConsoleUi* ui = m_notices.windows()) ui->converterLinkLost();
}

// The port cannot carry frames any more (failed writes, or the device vanished): close it and
// wait for a reopen by the operator or the clock's watchdog.
void Receiver::portFailed() {
    m_link.closePort();
    m_link.stopWaiting();
    if (m_link.state() != ConverterState::Lost) linkLost(LossCause::PortFailure);
    clearQueue(m_link, m_osc);
}

void Receiver::handleReply(const char* text, int len, quint8 code) {
    if (!m_link.isUp()) linkRestored();
    m_link.replyReceived();

    // Word 1 takes characters 4..7; the checksum byte follows it.
    const bool hasWord1 = len >= 10;
    switch (code) {
    case CMD_KARTA_ENTRY:
        if (m_link.mapPosition() < kSlots) {
            const int k = hasWord1 ? frame::wordAt(text, 4) : 0;
            if (k >= 1 && k < kSlots) {
                m_link.setMapPosition(quint16(k + 1));
                const KartaEntry& entry = m_sensors.addressEntry(k);
                m_link.enqueue(m_notices.windows(),
                               frame::kartaEntry(k + 1, entry.factory_number, entry.device_code));
            } else if (m_link.mapPosition() > 1) {
                // An index the map does not have: ask again for the entry in progress rather than
                // read past the map or let the transfer stall.
                const int pos = m_link.mapPosition();
                const KartaEntry& entry = m_sensors.addressEntry(pos - 1);
                m_link.enqueue(m_notices.windows(),
                               frame::kartaEntry(pos, entry.factory_number, entry.device_code));
            }
        } else {
            m_status.showWaitPanel(false);
        }
        break;
    case CMD_OSCILL_ON:
        if (hasWord1) {
            const int slot = frame::wordAt(text, 4);
            if (slot < kSlots) oscillogramStarted(m_sensors, m_osc, m_scope, m_notices, slot);
        }
        break;
    case CMD_OSCILL_OFF:
        oscillogramStopped(m_sensors, m_osc, m_notices);
        break;
    default:
        break;
    }
}

// A frame ended by CR LF; `len` characters of text, NUL-terminated.
void Receiver::frameEnded(const char* text, int len) {
    if (!frame::check(text, len)) {
        m_link.frameSpoilt();
        return;
    }
    const quint8 code = quint8(frame::wordAt(text, 0) & 0xFF);
    switch (m_link.takeFrame()) {
    case ConverterLink::FrameKind::Reply:
        handleReply(text, len, code);
        break;
    case ConverterLink::FrameKind::Report:
        m_reports.decode(text, len, code);
        break;
    case ConverterLink::FrameKind::Stray:
        break;
    }
}

void Receiver::receivePass() {
    SerialPort* port = m_link.port();
    if (!port) return;
    if (!port->isOpen()) {
        // The device went away since the last pass (the port closed itself): the same end as a
        // port that no longer takes writes, without waiting for three failed sends.
        if (port->takeFailure()) portFailed();
        return;
    }
    m_link.beginPassCounts();

    const QByteArray data = port->readAvailable();
    for (const char b : data) {
        const int len = m_link.takeByte(b);
        if (len >= 0) frameEnded(m_link.frameText(), len);
    }

    if (!port->isOpen()) { // it went away during this read
        m_link.showPassCounts();
        port->takeFailure();
        portFailed();
        return;
    }

    const ConverterLink::PassEnd end = m_link.endPass(m_notices.windows());
    if (end.repliesGaveOut) {
        if (m_link.state() != ConverterState::Lost) linkLost(LossCause::ReplyTimeouts);
        clearQueue(m_link, m_osc);
    }
    m_link.showPassCounts();
    if (end.writesFailed && m_link.portOpen()) portFailed();
}

void Receiver::onReceiveTick() {
    if (m_link.receiving()) m_link.timedPass([this] { receivePass(); });
}

} // namespace vatrel
