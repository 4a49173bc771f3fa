// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

namespace vatrel {

// A valid '~' report: `text` is the frame text after '~' without CR LF, `len` characters.
void dispatchReport(Console& c, const char* text, int len, quint8 code);
// Converter link lost: every occupied slot loses its link.
void markAllSensorsLost(Console& c);

} // namespace vatrel
