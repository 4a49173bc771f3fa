// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/EventLog.h"
#include "registry/DateTime.h"
#include "registry/FeedSink.h"
#include "registry/RecordFile.h"

#include <QStringList>

#include <algorithm>

namespace vatrel {

bool isFaultCode(int code) { return faultEvent(code).has_value(); }

Colour eventFontColour(int code) { return colourOf(code); }

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

QString dailyLogFragment(const QDate& date) { return QStringLiteral("QReport/") + formatDate(date); }

EventRecord makeEvent(const Console& c, quint32 factory_number, int code, const QString& text) {
    EventRecord r;
    r.mark = 1;
    r.factory_number = factory_number;
    r.time = c.now();
    r.code = qint8(code);
    r.text = text;
    return r;
}

EventRecord sensorEvent(const Console& c, EventCode event, quint32 factory_number, qint16 sensor_type,
                        const QString& detail) {
    return makeEvent(c, factory_number, storedCode(event),
                     eventText(event, factory_number, sensor_type, detail));
}

EventRecord programEvent(const Console& c, EventCode event, const QString& detail) {
    return makeEvent(c, 0, storedCode(event), eventText(event, 0, 0, detail));
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

QString noFolderText(const Console& c, const QString& fragment, bool daily) {
    return QStringLiteral("Put_msg: не открылся файл ") + (daily ? shownName(fragment) : c.path(fragment));
}

void showPendingCount(Console& c) {
    const LogWriteState& s = c.log_writes;
    c.status_panels[kLogStatusPanel] =
        s.outage ? QStringLiteral("Журнал не пишется: ") + QString::number(s.count) : QString();
    c.changed(ConsoleUi::View::StatusBar);
}

// Boxes the writer has to show. They are shown only once the writer's state is whole again: a box may
// wait for the operator while the engine goes on logging, and that logging must find every kept
// record in place and go behind it.
using Notes = QStringList;

void tell(Console& c, const Notes& notes) {
    for (const QString& text : notes)
        c.error(text);
}

void startOutage(LogWriteState& s, const PendingLogWrite& w, Notes& notes) {
    if (s.outage) return;
    s.outage = true;
    s.overflow_told = false;
    notes << QStringLiteral("Put_msg: не записался файл ") + shownName(w.fragment) +
                 QStringLiteral(
                     ". События хранятся в памяти и будут записаны, когда запись станет возможной");
}

void keep(LogWriteState& s, PendingLogWrite w, Notes& notes) {
    if (s.count >= s.capacity || s.bytes + size_t(w.bytes.size()) > s.memory_limit) {
        ++s.dropped;
        if (!s.overflow_told) {
            s.overflow_told = true;
            notes << QStringLiteral("Put_msg: память для незаписанных событий заполнена, новые события "
                                    "не сохраняются");
        }
        return;
    }
    KeptLog& kept = s.pending[w.fragment];
    kept.daily = w.daily;
    const size_t before = kept.records.bytes();
    kept.records.push(w.bytes);
    s.bytes = s.bytes - before + kept.records.bytes();
    ++s.count;
}

// Writes one file's kept records, oldest first; false when the disk still refuses the next one.
bool writeKept(Console& c, const QString& fragment, KeptLog& kept, Notes& notes) {
    LogWriteState& s = c.log_writes;
    const size_t held = kept.records.bytes(); // reading unpacks: the memory changes either way
    bool done = true;
    while (!kept.records.empty()) {
        const RecordWrite result = appendRecordTo(c.path(fragment), kept.records.front());
        if (result == RecordWrite::OpenFailed || result == RecordWrite::WriteFailed) {
            done = false;
            break;
        }
        if (result == RecordWrite::NoFolder) notes << noFolderText(c, fragment, kept.daily);
        kept.records.pop();
        --s.count;
    }
    s.bytes = s.bytes - held + kept.records.bytes();
    return done;
}

// After kept records were written: the outage is over once none is left, and the status bar says
// how many still wait.
void settle(Console& c, size_t keptBefore) {
    LogWriteState& s = c.log_writes;
    if (s.count == 0) {
        s.outage = false;
        s.overflow_told = false;
    }
    if (s.count != keptBefore) showPendingCount(c);
}

// Writes one record now or, when the disk fails or older records of its file still wait, keeps it
// behind them.
void writeOrKeep(Console& c, PendingLogWrite w, Notes& notes) {
    LogWriteState& s = c.log_writes;
    const size_t before = s.count;
    const auto kept = s.pending.find(w.fragment);
    bool clear = kept == s.pending.end();
    if (!clear && writeKept(c, kept->first, kept->second, notes)) {
        s.pending.erase(kept);
        clear = true;
    }
    if (clear) {
        switch (appendRecordTo(c.path(w.fragment), w.bytes)) {
        case RecordWrite::Written:
            settle(c, before);
            return;
        case RecordWrite::NoFolder:
            // A missing folder is a set-up fault, not an outage: said at every event, nothing kept.
            notes << noFolderText(c, w.fragment, w.daily);
            settle(c, before);
            return;
        case RecordWrite::OpenFailed:
        case RecordWrite::WriteFailed:
            startOutage(s, w, notes);
            break;
        }
    }
    keep(s, std::move(w), notes);
    showPendingCount(c);
}

} // namespace

void retryPendingLogWrites(Console& c) {
    LogWriteState& s = c.log_writes;
    if (s.pending.empty()) return;
    const size_t before = s.count;
    Notes notes;
    for (auto it = s.pending.begin(); it != s.pending.end();)
        it = writeKept(c, it->first, it->second, notes) ? s.pending.erase(it) : std::next(it);
    settle(c, before);
    tell(c, notes);
}

void reportUnwrittenLogAtExit(Console& c) {
    retryPendingLogWrites(c);
    const size_t lost = c.log_writes.count;
    if (lost == 0) return;
    c.error(QStringLiteral("Записи журнала, не попавшие на диск, будут потеряны: ") + QString::number(lost));
}

void logSensorEvent(Console& c, const EventRecord& rec, qint16 sensor_type) {
    if (c.feed) c.feed->eventLogged(rec, sensor_type);
    addListLine(c, rec);
    const QByteArray bytes = rec.encode();
    Notes notes; // said once both files have the record or keep it
    if (rec.factory_number != 0)
        writeOrKeep(c, {sensorLogFragment(rec.factory_number, sensor_type), bytes, false}, notes);
    writeOrKeep(c, {dailyLogFragment(c.clock().date()), bytes, true}, notes);
    tell(c, notes);
}

void logProgramEvent(Console& c, const EventRecord& rec) {
    if (c.feed) c.feed->eventLogged(rec, FeedSink::kProgramEvent);
    addListLine(c, rec);
    Notes notes;
    writeOrKeep(c, {dailyLogFragment(c.clock().date()), rec.encode(), true}, notes);
    tell(c, notes);
}

} // namespace vatrel
