// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

namespace vatrel {

// Hardware file data/hw.dat: 200 × {u32 factory_number, i16 sensor_type} then u16 port index.
constexpr int kHwFileSize = 1202;
void loadSensors(Console& c); // also removes what an interrupted save left (removeStaleSaveFiles)
void saveSensors(Console& c);
// Removes temporary files an interrupted save of hw.dat left beside it.
void removeStaleSaveFiles(Console& c);

// Per-sensor settings files VatrelA/<n>, VatrelB/<n> (n unsigned): whole SensorRecord images.
QString settingsFragment(quint32 factory_number, qint16 sensor_type);
void saveSensorSettings(Console& c, const SensorRecord& rec,
                        char mode); // 'a' append, 'u' rewrite the last record
// A lasting field of a sensor changed during the run (arming, DC components): its settings record
// is rewritten now, as the exit would write it (live state reset), so a kill, a power cut or a
// logout cannot take the change back.
void saveLastingState(Console& c, const SensorRecord& rec);
void loadSensorSettings(Console& c);

} // namespace vatrel
