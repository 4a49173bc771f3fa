// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Oscilloscope.h"
#include "registry/NumberFormat.h"

namespace vatrel {

namespace {

using View = ConsoleUi::View;

const QString kFormatText = QStringLiteral(" Неверный формат данных; повторите ввод");

bool applyFlankWindow(Console& c, int flank, const QString& text) {
    int v = 0;
    if (!readOscInt(c, text, kFlankWindowMin, kFlankWindowMax, "100-5000", &v)) return false;
    c.scope.setFlankWindow(flank, v);
    return true;
}

bool applyFlankLimit(Console& c, int flank, bool upper, const QString& text) {
    int v = 0;
    if (!readOscInt(c, text, 0, 1023, "0-1023", &v)) return false;
    c.scope.setFlankLimit(flank, upper, v);
    return true;
}

} // namespace

void oscMessage(Console& c, const QString& text) {
    if (c.ui) c.ui->message(QString(), text, ConsoleUi::Icon::None);
}

QString oscRangeText(const char* range) {
    return QStringLiteral("Число вне допуска (") + QLatin1String(range) + QStringLiteral("); повторите ввод");
}

bool readOscInt(Console& c, const QString& text, int lo, int hi, const char* range, int* out) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok) {
        oscMessage(c, kFormatText);
        return false;
    }
    if (v < lo || v > hi) {
        oscMessage(c, oscRangeText(range));
        return false;
    }
    *out = v;
    return true;
}

bool readOscReal(Console& c, const QString& text, double* out) {
    if (!parseNumber(text, out)) {
        oscMessage(c, kFormatText);
        return false;
    }
    return true;
}

void oscillogramRequestDropped(Console& c) {
    if (c.osc.slot() >= 0) return; // one runs: its controls stay as they are
    c.osc.startCameToNothing(QStringLiteral("Преобразователь не подтвердил включение"));
}

bool setFlank1Window(Console& c, const QString& typed) { return applyFlankWindow(c, 0, typed); }
bool setFlank2Window(Console& c, const QString& typed) { return applyFlankWindow(c, 1, typed); }
bool setFlank1Min(Console& c, const QString& typed) { return applyFlankLimit(c, 0, false, typed); }
bool setFlank1Max(Console& c, const QString& typed) { return applyFlankLimit(c, 0, true, typed); }
bool setFlank2Min(Console& c, const QString& typed) { return applyFlankLimit(c, 1, false, typed); }
bool setFlank2Max(Console& c, const QString& typed) { return applyFlankLimit(c, 1, true, typed); }

bool setChartAWindow(Console& c, const QString& typed) {
    int v = 0;
    if (!readOscInt(c, typed, 100, 5000, "100-5000", &v)) return false;
    c.scope.setAWindow(quint16(v));
    return true;
}
bool setChartAMin(Console& c, const QString& typed) {
    int v = 0;
    if (!readOscInt(c, typed, 0, 4095, "0-4095", &v)) return false;
    c.scope.setALimit(false, quint16(v));
    return true;
}
bool setChartAMax(Console& c, const QString& typed) {
    int v = 0;
    if (!readOscInt(c, typed, 0, 4095, "0-4095", &v)) return false;
    c.scope.setALimit(true, quint16(v));
    return true;
}

void oscillogramSampleB(Console& c, const std::array<float, 8>& v) {
    const float t1 = v[0], t2 = v[1], s1 = v[2], s2 = v[3], r1 = v[4], r2 = v[5], z1 = v[6], z2 = v[7];
    c.scope.addSample({r1, z1 + s1, z1 + t1, z1}, {r2, z2 + s2, z2 + t2, z2});
    if (c.ui) c.ui->oscillogramSampleB(v);
}

} // namespace vatrel
