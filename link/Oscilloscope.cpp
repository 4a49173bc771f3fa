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
    FlankTrace& t = c.scope.flanks[size_t(flank)];
    t.flank_window = v;
    t.clear();
    c.changed(View::Oscilloscope);
    return true;
}

bool applyFlankLimit(Console& c, int flank, bool upper, const QString& text) {
    int v = 0;
    if (!readOscInt(c, text, 0, 1023, "0-1023", &v)) return false;
    FlankTrace& t = c.scope.flanks[size_t(flank)];
    (upper ? t.y_max : t.y_min) = v;
    t.clear();
    c.changed(View::Oscilloscope);
    return true;
}

bool scopeAWindow(Console& c, int lo, int hi, const char* range, const QString& text, quint16* field) {
    int v = 0;
    if (!readOscInt(c, text, lo, hi, range, &v)) return false;
    *field = quint16(v);
    ++c.scope.a.revision; // the curves clear with it
    c.changed(View::Oscilloscope);
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
    if (c.osc_slot >= 0) return; // one runs: its controls stay as they are
    c.osc.openStart(QStringLiteral("Преобразователь не подтвердил включение"));
}

bool setFlank1Window(Console& c, const QString& typed) { return applyFlankWindow(c, 0, typed); }
bool setFlank2Window(Console& c, const QString& typed) { return applyFlankWindow(c, 1, typed); }
bool setFlank1Min(Console& c, const QString& typed) { return applyFlankLimit(c, 0, false, typed); }
bool setFlank1Max(Console& c, const QString& typed) { return applyFlankLimit(c, 0, true, typed); }
bool setFlank2Min(Console& c, const QString& typed) { return applyFlankLimit(c, 1, false, typed); }
bool setFlank2Max(Console& c, const QString& typed) { return applyFlankLimit(c, 1, true, typed); }

bool setChartAWindow(Console& c, const QString& typed) {
    return scopeAWindow(c, 100, 5000, "100-5000", typed, &c.scope.a.window);
}
bool setChartAMin(Console& c, const QString& typed) {
    return scopeAWindow(c, 0, 4095, "0-4095", typed, &c.scope.a.y_min);
}
bool setChartAMax(Console& c, const QString& typed) {
    return scopeAWindow(c, 0, 4095, "0-4095", typed, &c.scope.a.y_max);
}

void clearOscTraces(Console& c) {
    for (FlankTrace& t : c.scope.flanks)
        t.clear();
    ++c.scope.a.revision;
}

void oscillogramSampleB(Console& c, const std::array<float, 8>& v) {
    const float t1 = v[0], t2 = v[1], s1 = v[2], s2 = v[3], r1 = v[4], r2 = v[5], z1 = v[6], z2 = v[7];
    c.scope.flanks[0].add({r1, z1 + s1, z1 + t1, z1});
    c.scope.flanks[1].add({r2, z2 + s2, z2 + t2, z2});
    if (c.ui) c.ui->oscillogramSampleB(v);
}

} // namespace vatrel
