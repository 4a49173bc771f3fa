#include "registry/EventLog.h"
#include "registry/DateTime.h"
#include "registry/FeedSink.h"

#include <QFile>

namespace vatrel {

Colour eventFontColour(int code) {
    switch (code) {
    case 0:
    case 32:
        return colours::event_green;
    case 2: case 3: case 4: case 5: case 7: case 8: case 9: case 10: case 11: case 33: case 34:
        return colours::event_red;
    case 15:
        return colours::event_dark_red;
    default:
        return colours::black;
    }
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

namespace {

void addListLine(Console& c, const EventRecord& rec) {
    TextGrid& g = c.event_grid;
    const int R = g.rowCount() - 1;
    if (c.event_rows >= kEventRowsMax) {
        g.scrollUp(1, R);
        for (int i = 1; i <= R - 1; ++i)
            c.EventRowStyles[size_t(i - 1)] = c.EventRowStyles[size_t(i)];
    }
    c.EventRowStyles[size_t(R - 1)] = {colours::info_background, eventFontColour(rec.code), 9, 0};
    if (R < kEventRowsMax)
        c.EventRowStyles[size_t(R)].background = colours::info_background;
    g.set(0, R, formatDateTime(rec.time));
    g.set(1, R, rec.text);
    if (c.event_rows < kEventRowsMax) {
        ++c.event_rows;
        if (c.event_rows < kEventRowsMax)
            g.setRowCount(R + 2);
    }
    c.changed(ConsoleUi::View::EventList);
}

bool appendRecord(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool ok = f.write(bytes) == bytes.size();
    f.close();
    return ok;
}

void writeDaily(Console& c, const QByteArray& bytes) {
    const QDate today = c.clock().date();
    if (!appendRecord(c.path(dailyLogFragment(today)), bytes))
        c.error(QStringLiteral("Put_msg: не открылся файл QReport\\") + formatDate(today));
}

} // namespace

void Put_msg(Console& c, const EventRecord& rec, qint16 sensor_type) {
    if (c.feed) c.feed->eventLogged(rec, sensor_type);
    addListLine(c, rec);
    const QByteArray bytes = rec.encode();
    if (rec.factory_number != 0) {
        const QString path = c.path(sensorLogFragment(rec.factory_number, sensor_type));
        if (!appendRecord(path, bytes))
            c.error(QStringLiteral("Put_msg: не открылся файл ") + path);
    }
    writeDaily(c, bytes);
}

void Put_prog_msg(Console& c, const EventRecord& rec) {
    if (c.feed) c.feed->eventLogged(rec, FeedSink::kProgramEvent);
    addListLine(c, rec);
    writeDaily(c, rec.encode());
}

} // namespace vatrel
