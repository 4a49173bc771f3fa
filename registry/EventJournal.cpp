// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/EventJournal.h"
#include "registry/DateTime.h"
#include "registry/RecordFile.h"

namespace vatrel {

QString sensorLogFragment(quint32 factory_number, qint16 sensor_type) {
    // Log files carry the number in signed form (a top-bit number gets a minus sign), unlike the
    // settings files; both forms are what existing data folders hold.
    return (sensor_type != 0 ? QStringLiteral("VatrelB_mess/") : QStringLiteral("VatrelA_mess/")) +
           QString::number(qint32(factory_number));
}

QString dailyLogFragment(const QDate& date) { return QStringLiteral("QReport/") + formatDate(date); }

namespace {

QString pathOf(const QString& dataDir, const QString& fragment) {
    return dataDir + QLatin1Char('/') + fragment;
}

// "QReport\01.04.2025" or "VatrelA_mess\1234", the way the program names files to the operator.
QString shownName(const QString& fragment) {
    QString name = fragment;
    return name.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QString noFolderText(const QString& dataDir, const QString& fragment, bool daily) {
    return QStringLiteral("Put_msg: не открылся файл ") +
           (daily ? shownName(fragment) : pathOf(dataDir, fragment));
}

void tell(const EventJournal::Outlet& out, const QStringList& notes) {
    for (const QString& text : notes)
        out.tell(text);
}

} // namespace

void EventJournal::showKept(const Outlet& out) const {
    out.showKept(m_outage ? QStringLiteral("Журнал не пишется: ") + QString::number(m_count) : QString());
}

void EventJournal::startOutage(const Write& w, Notes& notes) {
    if (m_outage) return;
    m_outage = true;
    m_overflowTold = false;
    notes << QStringLiteral("Put_msg: не записался файл ") + shownName(w.fragment) +
                 QStringLiteral(
                     ". События хранятся в памяти и будут записаны, когда запись станет возможной");
}

void EventJournal::keep(Write w, Notes& notes) {
    if (m_count >= m_capacity || m_bytes + size_t(w.bytes.size()) > m_memoryLimit) {
        ++m_dropped;
        if (!m_overflowTold) {
            m_overflowTold = true;
            notes << QStringLiteral("Put_msg: память для незаписанных событий заполнена, новые события "
                                    "не сохраняются");
        }
        return;
    }
    KeptLog& kept = m_kept[w.fragment];
    kept.daily = w.daily;
    const size_t before = kept.records.bytes();
    kept.records.push(w.bytes);
    m_bytes = m_bytes - before + kept.records.bytes();
    ++m_count;
}

// Writes one file's kept records, oldest first; false when the disk still refuses the next one.
bool EventJournal::writeKept(const QString& dataDir, const QString& fragment, KeptLog& kept, Notes& notes) {
    const size_t held = kept.records.bytes(); // reading unpacks: the memory changes either way
    bool done = true;
    while (!kept.records.empty()) {
        const QByteArray record = kept.records.front();
        if (record.isEmpty()) { // not unpacked for want of memory: tried again later
            done = false;
            break;
        }
        const RecordWrite result = appendRecordTo(pathOf(dataDir, fragment), record);
        if (result == RecordWrite::OpenFailed || result == RecordWrite::WriteFailed) {
            done = false;
            break;
        }
        if (result == RecordWrite::NoFolder) notes << noFolderText(dataDir, fragment, kept.daily);
        kept.records.pop();
        --m_count;
    }
    m_bytes = m_bytes - held + kept.records.bytes();
    return done;
}

// After kept records were written: the outage is over once none is left, and the status panel says
// how many still wait.
void EventJournal::settle(const Outlet& out, size_t keptBefore) {
    if (m_count == 0) {
        m_outage = false;
        m_overflowTold = false;
    }
    if (m_count != keptBefore) showKept(out);
}

// Writes one record now or, when the disk fails or older records of its file still wait, keeps it
// behind them.
void EventJournal::writeOrKeep(const Outlet& out, Write w, Notes& notes) {
    const size_t before = m_count;
    const auto kept = m_kept.find(w.fragment);
    bool clear = kept == m_kept.end();
    if (!clear && writeKept(out.dataDir, kept->first, kept->second, notes)) {
        m_kept.erase(kept);
        clear = true;
    }
    if (clear) {
        switch (appendRecordTo(pathOf(out.dataDir, w.fragment), w.bytes)) {
        case RecordWrite::Written:
            settle(out, before);
            return;
        case RecordWrite::NoFolder:
            // A missing folder is a set-up fault, not an outage: said at every event, nothing kept.
            notes << noFolderText(out.dataDir, w.fragment, w.daily);
            settle(out, before);
            return;
        case RecordWrite::OpenFailed:
        case RecordWrite::WriteFailed:
            startOutage(w, notes);
            break;
        }
    }
    keep(std::move(w), notes);
    showKept(out);
}

void EventJournal::writeSensorEvent(const Outlet& out, const EventRecord& rec, qint16 sensor_type,
                                    const QDate& day) {
    const QByteArray bytes = rec.encode();
    Notes notes; // said once both files have the record or keep it
    if (rec.factory_number != 0)
        writeOrKeep(out, {sensorLogFragment(rec.factory_number, sensor_type), bytes, false}, notes);
    writeOrKeep(out, {dailyLogFragment(day), bytes, true}, notes);
    tell(out, notes);
}

void EventJournal::writeProgramEvent(const Outlet& out, const EventRecord& rec, const QDate& day) {
    Notes notes;
    writeOrKeep(out, {dailyLogFragment(day), rec.encode(), true}, notes);
    tell(out, notes);
}

void EventJournal::retryKept(const Outlet& out) {
    if (m_kept.empty()) return;
    const size_t before = m_count;
    Notes notes;
    for (auto it = m_kept.begin(); it != m_kept.end();)
        it = writeKept(out.dataDir, it->first, it->second, notes) ? m_kept.erase(it) : std::next(it);
    settle(out, before);
    tell(out, notes);
}

void EventJournal::reportLostAtExit(const Outlet& out) {
    retryKept(out);
    if (m_count == 0) return;
    out.tell(QStringLiteral("Записи журнала, не попавшие на диск, будут потеряны: ") +
             QString::number(m_count));
}

} // namespace vatrel
