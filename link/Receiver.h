// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "link/ConverterLink.h"
#include "link/ReportDecoder.h"
#include "registry/ChangeNotices.h"
#include "registry/EventLog.h"
#include "registry/OscControls.h"
#include "registry/OscScope.h"
#include "registry/SensorTable.h"
#include "registry/StatusLine.h"

namespace vatrel {

// The receive passes: what the port holds is taken frame by frame (a reply confirms the queue's
// head and what it asked for, a report goes to the report decoder), the queue's head is sent or
// timed out, and a converter that stops answering or a port that fails is told and marked.
class Receiver {
public:
    Receiver(ConverterLink& link, SensorTable& sensors, OscControls& osc, OscScope& scope, StatusLine& status,
             EventLog& eventLog, const ChangeNotices& notices, ReportDecoder reports)
        : m_link(link), m_sensors(sensors), m_osc(osc), m_scope(scope), m_status(status),
          m_eventLog(eventLog), m_notices(notices), m_reports(std::move(reports)) {}

    // One receive pass (reads what the port holds, processes it, sends or times out).
    void receivePass();
    // Every 10 ms: one measured pass while the link receives.
    void onReceiveTick();

private:
    enum class LossCause { ReplyTimeouts, PortFailure };

    void setConverterPanel(const QString& text);
    void linkRestored();
    void linkLost(LossCause cause);
    void portFailed();
    void handleReply(const char* text, int len, quint8 code);
    void frameEnded(const char* text, int len);

    ConverterLink& m_link;
    SensorTable& m_sensors;
    OscControls& m_osc;
    OscScope& m_scope;
    StatusLine& m_status;
    EventLog& m_eventLog;
    const ChangeNotices& m_notices;
    ReportDecoder m_reports;
};

} // namespace vatrel
