// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

#include <array>

namespace vatrel {

// The oscilloscope tabs' rules. Entry handlers take what the operator typed in the entry and return
// false when they refused it (after the box saying why): the window then gives the entry the focus
// back. An accepted scale entry keeps its text as typed; the number is in c.scope.

// The start request left the queue unconfirmed (the queue was full, or emptied when the link was
// lost or the port reopened): the tab says so and "Включить" can be pressed again.
void oscillogramRequestDropped(Console& c);

// Scale of the type B charts: each flank's window length and value limits.
bool setFlank1Window(Console& c, const QString& typed);
bool setFlank1Min(Console& c, const QString& typed);
bool setFlank1Max(Console& c, const QString& typed);
bool setFlank2Window(Console& c, const QString& typed);
bool setFlank2Min(Console& c, const QString& typed);
bool setFlank2Max(Console& c, const QString& typed);

// Type A chart. (Starting and stopping the oscillogram and the DC component entries are operator
// actions: core/OperatorActions.h.)
bool setChartAWindow(Console& c, const QString& typed);
bool setChartAMin(Console& c, const QString& typed);
bool setChartAMax(Console& c, const QString& typed);

// The tabs' entry checks, shared with the oscillogram's operator actions: a plain box (the
// application's title as caption, no icon), a whole number within [lo, hi] ("Число вне допуска
// (<range>); повторите ввод" outside), and a real number in the locale's form.
void oscMessage(Console& c, const QString& text);
QString oscRangeText(const char* range);
bool readOscInt(Console& c, const QString& text, int lo, int hi, const char* range, int* out);
bool readOscReal(Console& c, const QString& text, double* out);

// A type B sample of the sensor under oscillogram, values in the report's order: threshold 1,
// threshold 2, signal 1, signal 2, raw signal 1, raw signal 2, zero level 1, zero level 2.
void oscillogramSampleB(Console& c, const std::array<float, 8>& v);

} // namespace vatrel
