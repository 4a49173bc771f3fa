// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

namespace vatrel {

// Thresholds, signals and oscillogram samples carried by a status report (codes 0x41 and 0x42)
// after its status byte. `text` is the report text after '~' (checksum included, CR LF removed),
// `len` its length; `slot` is the occupied slot the status handling found. Nothing beyond `len`
// is read: a report too short for its layout carries no values.
void decodeMeasurements(Console& c, const char* text, int len, quint8 code, int slot);

} // namespace vatrel
