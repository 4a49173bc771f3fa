// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/PortChoice.h"
#include "registry/SensorTable.h"

namespace vatrel {

// Hardware file data/hw.dat: 200 × {u32 factory_number, i16 sensor_type} then u16 port index.
constexpr int kHwFileSize = 1202;

// Per-sensor settings files VatrelA/<n>, VatrelB/<n> (n unsigned): whole SensorRecord images.
QString settingsFragment(quint32 factory_number, qint16 sensor_type);

// The sensor table's files in the data folder: the hardware file (which slot holds which sensor,
// and the port) and each sensor's settings file. A file that cannot be read or written is told
// to the operator.
class SensorStore {
public:
    SensorStore(const QString& dataDir, SensorTable& sensors, PortChoice& ports, const ChangeNotices& notices)
        : m_dataDir(dataDir), m_sensors(sensors), m_ports(ports), m_notices(notices) {}
    SensorStore(const SensorStore&) = delete;
    SensorStore& operator=(const SensorStore&) = delete;

    void loadSensors(); // also removes what an interrupted save left (removeStaleSaveFiles)
    void saveSensors();
    // Removes temporary files an interrupted save of hw.dat left beside it.
    void removeStaleSaveFiles();

    void saveSensorSettings(const SensorRecord& rec, char mode); // 'a' append, 'u' rewrite the last record
    // A lasting field of a sensor changed during the run (arming, DC components): its settings
    // record is rewritten now, as the exit would write it (live state reset), so a kill, a power cut
    // or a logout cannot take the change back.
    void saveLastingState(const SensorRecord& rec);
    void loadSensorSettings();

private:
    QString inFolder(const QString& fragment) const { return m_dataDir + QLatin1Char('/') + fragment; }

    const QString& m_dataDir;
    SensorTable& m_sensors;
    PortChoice& m_ports;
    const ChangeNotices& m_notices;
};

} // namespace vatrel
