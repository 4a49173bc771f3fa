// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/OscScope.h"
#include "registry/SensorRows.h"
#include "registry/SensorTable.h"

namespace vatrel {

// Thresholds, signals and oscillogram samples carried by a status report (codes 0x41 and 0x42)
// after its status byte. `text` is the report text after '~' (checksum included, CR LF removed),
// `len` its length; `slot` is the occupied slot the status handling found. Nothing beyond `len`
// is read: a report too short for its layout carries no values. The values go to the slot's record
// and its row's cells, an oscillogram's sample to the scope.
void decodeMeasurements(SensorTable& sensors, SensorRows& rows, OscScope& scope, const ChangeNotices& notices,
                        const char* text, int len, quint8 code, int slot);

} // namespace vatrel
