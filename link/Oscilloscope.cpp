// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Oscilloscope.h"
#include "registry/ConsoleUi.h"
#include "registry/NumberFormat.h"

namespace vatrel {

namespace {

const QString kFormatText = QStringLiteral(" Неверный формат данных; повторите ввод");

bool applyFlankWindow(OscScope& scope, const ChangeNotices& notices, int flank, const QString& text) {
    int v = 0;
    if (!readOscInt(notices, text, kFlankWindowMin, kFlankWindowMax, "100-5000", &v)) return false;
    scope.setFlankWindow(flank, v);
    return true;
}

bool applyFlankLimit(OscScope& scope, const ChangeNotices& notices, int flank, bool upper,
                     const QString& text) {
    int v = 0;
    if (!readOscInt(notices, text, 0, 1023, "0-1023", &v)) return false;
    scope.setFlankLimit(flank, upper, v);
    return true;
}

} // namespace

void oscMessage(const ChangeNotices& notices, const QString& text) {
    if (ConsoleUi* ui = notices.windows()) ui->message(QString(), text, ConsoleUi::Icon::None);
}

QString oscRangeText(const char* range) {
    return QStringLiteral("Число вне допуска (") + QLatin1String(range) + QStringLiteral("); повторите ввод");
}

bool readOscInt(const ChangeNotices& notices, const QString& text, int lo, int hi, const char* range,
                int* out) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok) {
        oscMessage(notices, kFormatText);
        return false;
    }
    if (v < lo || v > hi) {
        oscMessage(notices, oscRangeText(range));
        return false;
    }
    *out = v;
    return true;
}

bool readOscReal(const ChangeNotices& notices, const QString& text, double* out) {
    if (!parseNumber(text, out)) {
        oscMessage(notices, kFormatText);
        return false;
    }
    return true;
}

void oscillogramRequestDropped(OscControls& osc) {
    if (osc.slot() >= 0) return; // one runs: its controls stay as they are
    osc.startCameToNothing(QStringLiteral("Преобразователь не подтвердил включение"));
}

bool setFlank1Window(OscScope& scope, const ChangeNotices& notices, const QString& typed) {
    return applyFlankWindow(scope, notices, 0, typed);
}
bool setFlank2Window(OscScope& scope, const ChangeNotices& notices, const QString& typed) {
    return applyFlankWindow(scope, notices, 1, typed);
}
bool setFlank1Min(OscScope& scope, const ChangeNotices& notices, const QString& typed) {
    return applyFlankLimit(scope, notices, 0, false, typed);
}
bool setFlank1Max(OscScope& scope, const ChangeNotices& notices, const QString& typed) {
    return applyFlankLimit(scope, notices, 0, true, typed);
}
bool setFlank2Min(OscScope& scope, const ChangeNotices& notices, const QString& typed) {
    return applyFlankLimit(scope, notices, 1, false, typed);
}
bool setFlank2Max(OscScope& scope, const ChangeNotices& notices, const QString& typed) {
    return applyFlankLimit(scope, notices, 1, true, typed);
}

bool setChartAWindow(OscScope& scope, const ChangeNotices& notices, const QString& typed) {
    int v = 0;
    if (!readOscInt(notices, typed, 100, 5000, "100-5000", &v)) return false;
    scope.setAWindow(quint16(v));
    return true;
}
bool setChartAMin(OscScope& scope, const ChangeNotices& notices, const QString& typed) {
    int v = 0;
    if (!readOscInt(notices, typed, 0, 4095, "0-4095", &v)) return false;
    scope.setALimit(false, quint16(v));
    return true;
}
bool setChartAMax(OscScope& scope, const ChangeNotices& notices, const QString& typed) {
    int v = 0;
    if (!readOscInt(notices, typed, 0, 4095, "0-4095", &v)) return false;
    scope.setALimit(true, quint16(v));
    return true;
}

void oscillogramSampleB(OscScope& scope, const ChangeNotices& notices, const std::array<float, 8>& v) {
    const float t1 = v[0], t2 = v[1], s1 = v[2], s2 = v[3], r1 = v[4], r2 = v[5], z1 = v[6], z2 = v[7];
    scope.addSample({r1, z1 + s1, z1 + t1, z1}, {r2, z2 + s2, z2 + t2, z2});
    if (ConsoleUi* ui = notices.windows()) ui->oscillogramSampleB(v);
}

} // namespace vatrel
