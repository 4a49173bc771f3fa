// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

namespace vatrel {

// Numbers as the operator sees them, with the locale's decimal separator and no grouping.
QString formatFixed3(double v);  // "0.000"
QString formatGeneral(double v); // shortest general form ("0", "1023", "0.5")
// A single-precision value in its shortest general form at single precision (0.1f gives "0.1").
QString formatGeneral(float v);
// Parses a number typed by the operator with the locale's decimal separator or a dot.
bool parseNumber(const QString& text, double* out);

// A stored DC component as the type A sensor's 16-bit word: the whole part, held within 0 … 65535
// (a value out of range takes the nearer end, NaN gives 0). Stored files may hold anything; a value
// that wrapped round would send the sensor some unrelated threshold.
quint16 dcComponentWord(float v);

} // namespace vatrel
