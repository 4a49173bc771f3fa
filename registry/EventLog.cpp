#include "registry/EventLog.h"
#include "registry/DateTime.h"
#include "registry/FeedSink.h"
#include "registry/RecordFile.h"

#include <algorithm>

namespace vatrel {

bool isFaultCode(int code) {
    return (code >= 2 && code <= 5) || (code >= 7 && code <= 11);
}

Colour eventFontColour(int code) {
    if (code == 0 || code == 32) return colours::event_green;
    if (isFaultCode(code) || code == 33 || code == 34) return colours::event_red;
    if (code == 15) return colours::event_dark_red;
    return colours::black;
}

QString typeTag(qint16 sensor_type) {
    return sensor_type == 0 ? QStringLiteral("<Ватрел-А>") : QStringLiteral("<Ватрел-Б>");
}

QString typeName(qint16 sensor_type) {
    return sensor_type == 0 ? QStringLiteral("Ватрел-А") : QStringLiteral("Ватрел-Б");
}

QString sensorLogFragment(quint32 factory_number, qint16 sensor_type) {
    // Log files carry the number in signed form (a top-bit number gets a minus sign), unlike the
    // settings files; both forms are what existing data folders hold.
    return (sensor_type != 0 ? QStringLiteral("VatrelB_mess/") : QStringLiteral("VatrelA_mess/")) +
           QString::number(qint32(factory_number));
}

QString dailyLogFragment(const QDate& date) {
    return QStringLiteral("QReport/") + formatDate(date);
}

EventRecord makeEvent(const Console& c, quint32 factory_number, int code, const QString& text) {
    EventRecord r;
    r.mark = 1;
    r.factory_number = factory_number;
    r.time = c.now();
    r.code = qint8(code);
    r.text = text;
    return r;
}

namespace {

void addListLine(Console& c, const EventRecord& rec) {
    TextGrid& g = c.event_grid;
    const int R = g.rowCount() - 1;
    if (c.event_rows >= kEventRowsMax) {
        g.scrollUp(1, R);
        std::copy(c.EventRowStyles.begin() + 1, c.EventRowStyles.begin() + R, c.EventRowStyles.begin());
    }
    c.EventRowStyles[size_t(R - 1)] = {colours::info_background, eventFontColour(rec.code), 9, 0};
    if (R < kEventRowsMax) c.EventRowStyles[size_t(R)].background = colours::info_background;
    g.set(0, R, formatDateTime(rec.time));
    g.set(1, R, rec.text);
    if (c.event_rows < kEventRowsMax) {
        ++c.event_rows;
        if (c.event_rows < kEventRowsMax) g.setRowCount(R + 2);
    }
    c.changed(ConsoleUi::View::EventList);
}

// "QReport\01.04.2025" or "VatrelA_mess\1234", the way the program names files to the operator.
QString shownName(const QString& fragment) {
    QString name = fragment;
    return name.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QString noFolderText(const Console& c, const PendingLogWrite& w) {
    return QStringLiteral("Put_msg: не открылся файл ") +
           (w.daily ? shownName(w.fragment) : c.path(w.fragment));
}

void showPendingCount(Console& c) {
    const LogWriteState& s = c.log_writes;
    c.status_panels[kLogStatusPanel] =
        s.outage ? QStringLiteral("Журнал не пишется: ") + QString::number(s.pending.size()) : QString();
    c.changed(ConsoleUi::View::StatusBar);
}

void startOutage(Console& c, const PendingLogWrite& w) {
    LogWriteState& s = c.log_writes;
    if (s.outage) return;
    s.outage = true;
    s.overflow_told = false;
    c.error(QStringLiteral("Put_msg: не записался файл ") + shownName(w.fragment) +
            QStringLiteral(". События хранятся в памяти и будут записаны, когда запись станет возможной"));
}

void keep(Console& c, PendingLogWrite w) {
    LogWriteState& s = c.log_writes;
    if (s.pending.size() >= s.capacity) {
        ++s.dropped;
        if (!s.overflow_told) {
            s.overflow_told = true;
            c.error(QStringLiteral("Put_msg: память для незаписанных событий заполнена, новые события "
                                   "не сохраняются"));
        }
        return;
    }
    s.pending.push_back(std::move(w));
}

// Writes one record now or, when the disk fails or older records still wait, queues it behind them.
void writeOrKeep(Console& c, PendingLogWrite w) {
    if (c.log_writes.pending.empty()) {
        switch (appendRecordTo(c.path(w.fragment), w.bytes)) {
        case RecordWrite::Written:
            return;
        case RecordWrite::NoFolder:
            // A missing folder is a set-up fault, not an outage: said at every event, nothing kept.
            c.error(noFolderText(c, w));
            return;
        case RecordWrite::OpenFailed:
        case RecordWrite::WriteFailed:
            startOutage(c, w);
            break;
        }
    }
    keep(c, std::move(w));
    showPendingCount(c);
}

} // namespace

void retryPendingLogWrites(Console& c) {
    LogWriteState& s = c.log_writes;
    if (s.pending.empty()) return;
    const size_t before = s.pending.size();
    while (!s.pending.empty()) {
        const PendingLogWrite& w = s.pending.front();
        const RecordWrite result = appendRecordTo(c.path(w.fragment), w.bytes);
        if (result == RecordWrite::OpenFailed || result == RecordWrite::WriteFailed) break;
        if (result == RecordWrite::NoFolder) c.error(noFolderText(c, w));
        s.pending.pop_front();
    }
    if (s.pending.empty()) {
        s.outage = false;
        s.overflow_told = false;
    }
    if (s.pending.size() != before) showPendingCount(c);
}

void reportUnwrittenLogAtExit(Console& c) {
    retryPendingLogWrites(c);
    const size_t lost = c.log_writes.pending.size();
    if (lost == 0) return;
    c.error(QStringLiteral("Записи журнала, не попавшие на диск, будут потеряны: ") + QString::number(lost));
}

void Put_msg(Console& c, const EventRecord& rec, qint16 sensor_type) {
    if (c.feed) c.feed->eventLogged(rec, sensor_type);
    addListLine(c, rec);
    retryPendingLogWrites(c);
    const QByteArray bytes = rec.encode();
    if (rec.factory_number != 0)
        writeOrKeep(c, {sensorLogFragment(rec.factory_number, sensor_type), bytes, false});
    writeOrKeep(c, {dailyLogFragment(c.clock().date()), bytes, true});
}

void Put_prog_msg(Console& c, const EventRecord& rec) {
    if (c.feed) c.feed->eventLogged(rec, FeedSink::kProgramEvent);
    addListLine(c, rec);
    retryPendingLogWrites(c);
    writeOrKeep(c, {dailyLogFragment(c.clock().date()), rec.encode(), true});
}

} // namespace vatrel
