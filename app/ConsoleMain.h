// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/WidgetUi.h"
#include "core/CoreDoor.h"
#include "core/Console.h"

#include <memory>

namespace vatrel {

// The whole run of the console on an existing QApplication: creates the windows in their order,
// shows the main window and runs the event loop until the operator confirms the exit. Returns the
// event loop's exit code. `ui` replaces the default WidgetUi (tests answer questions through it).
// The core runs on its own thread unless `mode` says inline (tests that reach into the console) or
// VATREL_CORE_INLINE=1 is set.
int runConsole(Console& c, std::unique_ptr<WidgetUi> ui = {}, CoreDoor::Mode mode = CoreDoor::Mode::Threaded);

} // namespace vatrel
