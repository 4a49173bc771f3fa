// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Storage.h"
#include "registry/ConsoleUi.h"
#include "registry/RecordFile.h"
#include "registry/RegularFile.h"
#include "registry/WholeFileWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <QFile>

namespace vatrel {

namespace {

const QString kHwFragment = QStringLiteral("data/hw.dat");

QByteArray hwImage(const SensorTable& table, int portIndex) {
    QByteArray out(kHwFileSize, '\0');
    char* p = out.data();
    for (int s = 0; s < kSlots; ++s) {
        const SensorRecord& r = table.record(s);
        le::put32(p + 6 * s, r.factory_number);
        le::put16(p + 6 * s + 4, quint16(r.sensor_type));
    }
    le::put16(p + 6 * kSlots, quint16(portIndex));
    return out;
}

// Takes every slot's number and type from the hardware file's bytes; returns the port index it names.
// A short file: the records it lacks are empty slots and a missing port index is the first port.
int readHwImage(SensorTable& table, const QByteArray& bytes) {
    const char* p = bytes.constData();
    for (int s = 0; s < kSlots; ++s) {
        SensorRecord& r = table.record(s);
        if (bytes.size() >= 6 * (s + 1)) {
            r.factory_number = le::u32(p + 6 * s);
            r.sensor_type = qint16(le::u16(p + 6 * s + 4));
        } else {
            r.factory_number = 0;
            r.sensor_type = 0;
        }
        r.slot_index = qint16(s);
    }
    int port = 0;
    if (bytes.size() >= kHwFileSize) {
        port = le::u16(p + 6 * kSlots);
        if (port >= kPortCount) port = 0; // not an entry of the port list
    }
    return port;
}

// "VatrelA\1234" as the settings file is named in messages.
QString settingsName(quint32 factory_number, qint16 sensor_type) {
    return (sensor_type != 0 ? QStringLiteral("VatrelB\\") : QStringLiteral("VatrelA\\")) +
           QString::number(factory_number);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Hardware file

void SensorStore::removeStaleSaveFiles() {
    // A save of hw.dat writes "hw.dat.XXXXXX" first and renames it over the file; a crash in between
    // leaves the temporary one behind. Only names of exactly that form are removed.
    static const QRegularExpression leftover(QStringLiteral("^hw\\.dat\\.[A-Za-z0-9]{6}$"));
    QDir dir(inFolder(QStringLiteral("data")));
    for (const QString& name : dir.entryList({QStringLiteral("hw.dat.*")}, QDir::Files | QDir::Hidden))
        if (leftover.match(name).hasMatch()) dir.remove(name);
}

void SensorStore::loadSensors() {
    const QString path = inFolder(kHwFragment);
    removeStaleSaveFiles();
    if (!QFile::exists(path)) {
        // First run: an empty table and the first port.
        if (!writeWholeFile(path, QByteArray(kHwFileSize, '\0'))) {
            m_notices.error(QStringLiteral("Ini_Hw: не открылся файл hw.dat"));
            return;
        }
    }
    QFile f(path);
    if (!openRegularFile(f, QIODevice::ReadOnly)) {
        // An existing file we cannot read is reported, never replaced by an empty one.
        m_notices.error(QStringLiteral("Ini_Hw: не открылся файл hw.dat"));
        return;
    }
    const QByteArray bytes = f.read(kHwFileSize);
    f.close();

    m_ports.restore(readHwImage(m_sensors, bytes));
}

void SensorStore::saveSensors() {
    if (!writeWholeFile(inFolder(kHwFragment), hwImage(m_sensors, m_ports.index())))
        m_notices.error(QStringLiteral("Save_Hw: не открылся файл hw.dat"));
}

// ---------------------------------------------------------------------------------------------
// Settings files

QString settingsFragment(quint32 factory_number, qint16 sensor_type) {
    return (sensor_type != 0 ? QStringLiteral("VatrelB/") : QStringLiteral("VatrelA/")) +
           QString::number(factory_number);
}

void SensorStore::saveSensorSettings(const SensorRecord& rec, char mode) {
    if (mode != 'a' && mode != 'u') {
        if (ConsoleUi* ui = m_notices.windows())
            ui->message(QString(), QStringLiteral("Save_sm: передан неверный параметр"),
                        ConsoleUi::Icon::None);
        return;
    }
    if (rec.factory_number == 0) return;

    const QString failure =
        QStringLiteral("Save_sm: не открылся файл ") + settingsName(rec.factory_number, rec.sensor_type);
    const QString path = inFolder(settingsFragment(rec.factory_number, rec.sensor_type));
    const QByteArray bytes = rec.encode();
    RecordWrite result;
    if (mode == 'a') {
        result = appendRecordTo(path, bytes);
    } else {
        // The last whole record: a trailing partial record must not make the write straddle two.
        // Rewriting it needs the file to exist already.
        const qint64 whole = QFileInfo(path).size() / SensorRecord::kSize;
        result = overwriteRecordAt(path, whole > 0 ? (whole - 1) * SensorRecord::kSize : 0, bytes);
    }
    if (result != RecordWrite::Written) m_notices.error(failure);
}

void SensorStore::saveLastingState(const SensorRecord& rec) {
    if (rec.factory_number == 0) return;
    SensorRecord stored = rec;
    stored.resetLiveState();
    // A settings file lost meanwhile is made again: without it the next start would empty the slot.
    const bool exists = QFileInfo::exists(inFolder(settingsFragment(rec.factory_number, rec.sensor_type)));
    saveSensorSettings(stored, exists ? 'u' : 'a');
}

void SensorStore::loadSensorSettings() {
    for (int s = 0; s < kSlots; ++s) {
        SensorRecord& slot = m_sensors.record(s);
        if (!slot.occupied()) continue;
        QFile f(inFolder(settingsFragment(slot.factory_number, slot.sensor_type)));
        if (!openRegularFile(f, QIODevice::ReadOnly)) {
            m_notices.error(QStringLiteral("Ini_sm: не открылся файл ") +
                            settingsName(slot.factory_number, slot.sensor_type));
            slot.factory_number = 0;
            slot.sensor_type = 0;
            slot.slot_index = 0;
            saveSensors();
            continue;
        }
        // Keep the last whole record; a trailing partial one ends the reading like end of file.
        // Only the last one is read, so a file that grew over many connections is not decoded
        // record by record at every start.
        const qint64 whole = f.size() / SensorRecord::kSize;
        SensorRecord last;
        const bool found = whole > 0 && f.seek((whole - 1) * SensorRecord::kSize) &&
                           last.decode(f.read(SensorRecord::kSize));
        f.close();
        if (!found) continue; // no whole record: the slot stays as the hardware file gave it
        slot = last;
        // slot_index is used as an index into the table later on; a record copied over from another
        // position must not point elsewhere.
        slot.slot_index = qint16(s);
        // A stamped record in a slot hw.dat still names: a disconnection cut short after its first
        // save. It did not happen (hw.dat, the converter and the log know nothing of it), so the
        // stamp goes, from the file too.
        if (slot.disconnected_at != 0) {
            slot.disconnected_at = 0;
            slot.disconnected_by = -1;
            saveSensorSettings(slot, 'u');
        }
    }
}

} // namespace vatrel
