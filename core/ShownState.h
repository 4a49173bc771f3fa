// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Console.h"

namespace vatrel {

// Which parts of the console's state each view shows, for the windows' mirror of the core.
using ViewSet = quint32; // one bit per ConsoleUi::View
constexpr ViewSet viewBit(ConsoleUi::View v) { return ViewSet(1) << unsigned(v); }
constexpr ViewSet kAllViews = viewBit(ConsoleUi::View::PortChoice) * 2 - 1;

// Copies what the views in `views` show from `from` to `to`; `samples` adds the oscillogram's
// curves. The grids' change marks are handed over, not copied: `to`'s views draw each change once. `everything` also copies what only operator actions change (the operator list, the
// selection, the data folder): a mirror brought up to date after an action holds all it may read.
// Of the sensor table's rows only those of `sensorRows` are copied (every row for nullptr, and with
// `everything`).
void copyShownState(const Console& from, Console& to, ViewSet views, bool samples, bool everything = false,
                    const SlotSet* sensorRows = nullptr);

} // namespace vatrel
