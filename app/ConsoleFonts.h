// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vatrel {

// Makes the window fonts of the console available: Tahoma from the metric-compatible faces of Debian's
// fonts-wine (which fontconfig does not index), also standing in for MS Sans Serif, and a sans fallback
// for each named family so that a machine without them still gets a readable face. Safe to call more
// than once.
void registerConsoleFonts();

} // namespace vatrel
