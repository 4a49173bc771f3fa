// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

#include <array>

namespace vatrel {

// The oscilloscope tabs' rules. Entry handlers read the entry's text from c.osc (the window writes
// it there first) and return false when the entry refused it: the window then gives it the focus back.

// The start request left the queue unconfirmed (the queue was full, or emptied when the link was
// lost or the port reopened): the tab says so and "Включить" can be pressed again.
void oscillogramRequestDropped(Console& c);

// Scale of the type B charts: window length (Edit1, Edit4) and value limits (Edit2/3, Edit5/6).
bool setFlank1Window(Console& c);
bool setFlank1Min(Console& c);
bool setFlank1Max(Console& c);
bool setFlank2Window(Console& c);
bool setFlank2Min(Console& c);
bool setFlank2Max(Console& c);

// Type A chart. (Starting and stopping the oscillogram and the DC component entries are operator
// actions: core/OperatorActions.h.)
bool setChartAWindow(Console& c);
bool setChartAMin(Console& c);
bool setChartAMax(Console& c);

// The tabs' entry checks, shared with the oscillogram's operator actions: a plain box (the
// application's title as caption, no icon), a whole number within [lo, hi] ("Число вне допуска
// (<range>); повторите ввод" outside), and a real number in the locale's form.
void oscMessage(Console& c, const QString& text);
QString oscRangeText(const char* range);
bool readOscInt(Console& c, const QString& text, int lo, int hi, const char* range, int* out);
bool readOscReal(Console& c, const QString& text, double* out);

// Clears every curve of both tabs and both sample counters (a new oscillogram begins).
void clearOscTraces(Console& c);
// A type B sample of the sensor under oscillogram, values in the report's order: threshold 1,
// threshold 2, signal 1, signal 2, raw signal 1, raw signal 2, zero level 1, zero level 2.
void oscillogramSampleB(Console& c, const std::array<float, 8>& v);

} // namespace vatrel
