// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Engine.h"

#include "link/Frame.h"
#include "link/Oscilloscope.h"
#include "link/SerialPort.h"
#include "link/ReportDecoder.h"
#include "registry/EventLog.h"
#include "registry/NumberFormat.h"

#include <cmath>

namespace vatrel {

using View = ConsoleUi::View;

namespace {

void setConverterPanel(Console& c, const QString& text) {
    c.status.setPanel(StatusLine::kConverterPanel, text);
}

void linkRestored(Console& c) {
    c.link.setMapPosition(1);
    c.status.showWaitPanel(true);
    c.link.setState(ConverterState::Up);
    setConverterPanel(c, QStringLiteral("Связь с преобразователем восстановлена"));
    c.eventLog.logProgramEvent(c.eventLog.programEvent(EventCode::LinkRestoredConverter));
    if (c.ui) c.ui->converterLinkRestored();
}

enum class LossCause { ReplyTimeouts, PortFailure };

void linkLost(Console& c, LossCause cause) {
    if (cause == LossCause::PortFailure) oscillogramStopped(c);
    c.link.setState(ConverterState::Lost);
    c.link.setMapPosition(1);
    // The port-failure text has a Latin "c" in its second word; operators know the two apart by it.
    setConverterPanel(c, cause == LossCause::ReplyTimeouts ? QStringLiteral("Нет связи с преобразователем")
                                                           : QStringLiteral("Нет связи c преобразователем"));
    c.eventLog.logProgramEvent(c.eventLog.programEvent(EventCode::LinkLostConverter));
    ReportDecoder::of(c).converterLost();
    if (c.ui) c.ui->converterLinkLost();
}

// The port cannot carry frames any more (failed writes, or the device vanished): close it and
// wait for a reopen by the operator or the clock's watchdog.
void portFailed(Console& c) {
    c.link.closePort();
    c.link.stopWaiting();
    if (c.link.state() != ConverterState::Lost) linkLost(c, LossCause::PortFailure);
    clearQueue(c);
}

void handleReply(Console& c, const char* text, int len, quint8 code) {
    if (!c.link.isUp()) linkRestored(c);
    c.link.replyReceived();

    // Word 1 takes characters 4..7; the checksum byte follows it.
    const bool hasWord1 = len >= 10;
    switch (code) {
    case CMD_KARTA_ENTRY:
        if (c.link.mapPosition() < kSlots) {
            const int k = hasWord1 ? frame::wordAt(text, 4) : 0;
            if (k >= 1 && k < kSlots) {
                c.link.setMapPosition(quint16(k + 1));
                const KartaEntry& entry = c.sensors.addressEntry(k);
                c.link.enqueue(c.ui, frame::kartaEntry(k + 1, entry.factory_number, entry.device_code));
            } else if (c.link.mapPosition() > 1) {
                // An index the map does not have: ask again for the entry in progress rather than
                // read past the map or let the transfer stall.
                const int pos = c.link.mapPosition();
                const KartaEntry& entry = c.sensors.addressEntry(pos - 1);
                c.link.enqueue(c.ui, frame::kartaEntry(pos, entry.factory_number, entry.device_code));
            }
        } else {
            c.status.showWaitPanel(false);
        }
        break;
    case CMD_OSCILL_ON:
        if (hasWord1) {
            const int slot = frame::wordAt(text, 4);
            if (slot < kSlots) oscillogramStarted(c, slot);
        }
        break;
    case CMD_OSCILL_OFF:
        oscillogramStopped(c);
        break;
    default:
        break;
    }
}

// A frame ended by CR LF; `len` characters of text, NUL-terminated.
void frameEnded(Console& c, const char* text, int len) {
    if (!frame::check(text, len)) {
        c.link.frameSpoilt();
        return;
    }
    const quint8 code = quint8(frame::wordAt(text, 0) & 0xFF);
    switch (c.link.takeFrame()) {
    case ConverterLink::FrameKind::Reply:
        handleReply(c, text, len, code);
        break;
    case ConverterLink::FrameKind::Report:
        ReportDecoder::of(c).decode(text, len, code);
        break;
    case ConverterLink::FrameKind::Stray:
        break;
    }
}

} // namespace

void clearQueue(Console& c) {
    if (c.link.clearQueue()) oscillogramRequestDropped(c.osc);
}

bool openPort(Console& c, int portNumber, ConverterState state) {
    if (!c.link.openPort(portNumber, c.data_dir)) return false;
    clearQueue(c);
    c.link.restart(state);
    setConverterPanel(c, QString());
    return true;
}

void choosePort(Console& c, int index) {
    c.link.stopReceiving();
    c.link.closePort();
    c.ports.choose(index);
    openStartupPort(c);
}

void openStartupPort(Console& c) {
    const bool ok = openPort(c, c.ports.portNumber());
    c.status.setPanel(StatusLine::kPortPanel,
                      c.ports.portName() + (ok ? QStringLiteral(" включён") : QStringLiteral(" выключен")));
}

void receivePass(Console& c) {
    SerialPort* port = c.link.port();
    if (!port) return;
    if (!port->isOpen()) {
        // The device went away since the last pass (the port closed itself): the same end as a
        // port that no longer takes writes, without waiting for three failed sends.
        if (port->takeFailure()) portFailed(c);
        return;
    }
    c.link.beginPassCounts();

    const QByteArray data = port->readAvailable();
    for (const char b : data) {
        const int len = c.link.takeByte(b);
        if (len >= 0) frameEnded(c, c.link.frameText(), len);
    }

    if (!port->isOpen()) { // it went away during this read
        c.link.showPassCounts();
        port->takeFailure();
        portFailed(c);
        return;
    }

    const ConverterLink::PassEnd end = c.link.endPass(c.ui);
    if (end.repliesGaveOut) {
        if (c.link.state() != ConverterState::Lost) linkLost(c, LossCause::ReplyTimeouts);
        clearQueue(c);
    }
    c.link.showPassCounts();
    if (end.writesFailed && c.link.portOpen()) portFailed(c);
}

void onReceiveTick(Console& c) {
    if (c.link.receiving()) c.link.timedPass([&c] { receivePass(c); });
}

void onCommandTick(ConverterLink& link, const SensorTable& sensors, ConsoleUi* ui) {
    const quint16 pos = link.mapPosition();
    if (pos == kSlots) {
        link.enqueue(ui, frame::poll());
    } else if (pos == 1) {
        const KartaEntry& entry = sensors.addressEntry(0);
        link.enqueue(ui, frame::kartaEntry(1, entry.factory_number, entry.device_code));
    }
}

void showClock(Console& c) { c.status.showClock(c.clock()); }

void onClockTick(Console& c) {
    showClock(c);
    c.journal.retryKept(
        c.eventLog.outlet()); // events kept through a full disk reach the files once it has room
    if (c.link.watchdogTick()) {
        c.link.stopReceiving();
        c.link.closePort();
        // Status panel 2 stays as it is. The link stays lost: a further failure must not repeat the
        // link-lost notice.
        openPort(c, c.ports.portNumber(), ConverterState::Lost);
        c.link.setState(ConverterState::Lost);
    }
}

void oscillogramStarted(Console& c, int slot) {
    if (slot < 0 || slot >= kSlots) return;
    c.osc.setSlot(slot);
    c.osc.clearOutcome();
    SensorRecord& r = c.sensors.record(slot);
    c.scope.clearTraces(); // every curve and both sample counters start again
    if (c.ui) c.ui->oscillogramStarted(slot);
    if (r.sensor_type == 1) {
        c.osc.showDcFlank(0, r.dc_component1);
        c.osc.showDcFlank(1, r.dc_component2);
    } else if (r.sensor_type == 0) {
        c.osc.holdDcTypeA(dcComponentWord(r.dc_component1), true);
    }
    r.osc_active = 1;
}

void oscillogramStopped(Console& c) {
    c.sensors.stopOscillograms();
    c.osc.setSlot(-1);
    c.osc.openStart();
    if (c.ui) c.ui->oscillogramStopped();
}

} // namespace vatrel
