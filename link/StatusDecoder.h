// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

namespace vatrel {

// A valid '~' report: `text` is the frame text after '~' without CR LF, `len` characters.
void DispatchReport(Console& c, const char* text, int len, quint8 code);
// Converter link lost: every occupied slot loses its link.
void AllSensorsLost(Console& c);

} // namespace vatrel
