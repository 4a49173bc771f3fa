// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/OscControls.h"
#include "registry/OscScope.h"

#include <array>

namespace vatrel {

// The oscilloscope tabs' rules. Entry handlers take what the operator typed in the entry and return
// false when they refused it (after the box saying why): the window then gives the entry the focus
// back. An accepted scale entry keeps its text as typed; the number is in the scope.

// The start request left the queue unconfirmed (the queue was full, or emptied when the link was
// lost or the port reopened): the tab says so and "Включить" can be pressed again.
void oscillogramRequestDropped(OscControls& osc);

// Scale of the type B charts: each flank's window length and value limits.
bool setFlank1Window(OscScope& scope, const ChangeNotices& notices, const QString& typed);
bool setFlank1Min(OscScope& scope, const ChangeNotices& notices, const QString& typed);
bool setFlank1Max(OscScope& scope, const ChangeNotices& notices, const QString& typed);
bool setFlank2Window(OscScope& scope, const ChangeNotices& notices, const QString& typed);
bool setFlank2Min(OscScope& scope, const ChangeNotices& notices, const QString& typed);
bool setFlank2Max(OscScope& scope, const ChangeNotices& notices, const QString& typed);

// Type A chart. (Starting and stopping the oscillogram and the DC component entries are operator
// actions: core/OperatorActions.h.)
bool setChartAWindow(OscScope& scope, const ChangeNotices& notices, const QString& typed);
bool setChartAMin(OscScope& scope, const ChangeNotices& notices, const QString& typed);
bool setChartAMax(OscScope& scope, const ChangeNotices& notices, const QString& typed);

// The tabs' entry checks, shared with the oscillogram's operator actions: a plain box (the
// application's title as caption, no icon), a whole number within [lo, hi] ("Число вне допуска
// (<range>); повторите ввод" outside), and a real number in the locale's form.
void oscMessage(const ChangeNotices& notices, const QString& text);
QString oscRangeText(const char* range);
bool readOscInt(const ChangeNotices& notices, const QString& text, int lo, int hi, const char* range,
                int* out);
bool readOscReal(const ChangeNotices& notices, const QString& text, double* out);

// A type B sample of the sensor under oscillogram, values in the report's order: threshold 1,
// threshold 2, signal 1, signal 2, raw signal 1, raw signal 2, zero level 1, zero level 2.
void oscillogramSampleB(OscScope& scope, const ChangeNotices& notices, const std::array<float, 8>& v);

} // namespace vatrel
