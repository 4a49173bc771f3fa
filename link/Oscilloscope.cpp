// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Oscilloscope.h"
#include "link/Engine.h"
#include "link/Frame.h"
#include "registry/NumberFormat.h"
#include "registry/Storage.h"

#include <cmath>

namespace vatrel {

namespace {

using View = ConsoleUi::View;

const QString kFormatText = QStringLiteral(" Неверный формат данных; повторите ввод");

// A plain box: the application's title as caption, no icon.
void plain(Console& c, const QString& text) {
    if (c.ui) c.ui->message(QString(), text, ConsoleUi::Icon::None);
}

QString rangeText(const char* range) {
    return QStringLiteral("Число вне допуска (") + QLatin1String(range) + QStringLiteral("); повторите ввод");
}

// A whole number typed by the operator within [lo, hi]; otherwise the box that says why.
bool readInt(Console& c, const QString& text, int lo, int hi, const char* range, int* out) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok) {
        plain(c, kFormatText);
        return false;
    }
    if (v < lo || v > hi) {
        plain(c, rangeText(range));
        return false;
    }
    *out = v;
    return true;
}

// A real number typed with the locale's decimal separator. NaN and infinities fail the range test.
bool readReal(Console& c, const QString& text, double* out) {
    if (!parseNumber(text, out)) {
        plain(c, kFormatText);
        return false;
    }
    return true;
}

bool addressMapDone(Console& c) {
    if (c.engine.KartaAdressPos == kSlots) return true;
    plain(c, QStringLiteral("Дождитесь окончания передачи адресов в адаптер"));
    return false;
}

// The slot under oscillogram, or -1 when none runs (then there is no sensor to send a value to).
int oscSlot(const Console& c) {
    return c.osc_slot >= 0 && c.osc_slot < kSlots ? c.osc_slot : -1;
}

bool flankWindowExit(Console& c, int flank, const QString& text) {
    int v = 0;
    if (!readInt(c, text, kFlankWindowMin, kFlankWindowMax, "100-5000", &v)) return false;
    FlankTrace& t = c.scope.flanks[size_t(flank)];
    t.flank_window = v;
    t.clear();
    c.changed(View::Oscilloscope);
    return true;
}

bool flankLimitExit(Console& c, int flank, bool upper, const QString& text) {
    int v = 0;
    if (!readInt(c, text, 0, 1023, "0-1023", &v)) return false;
    FlankTrace& t = c.scope.flanks[size_t(flank)];
    (upper ? t.y_max : t.y_min) = v;
    t.clear();
    c.changed(View::Oscilloscope);
    return true;
}

bool recordDelta(Console& c, int flank) {
    QString& text = flank == 0 ? c.osc.Delta1 : c.osc.Delta2;
    double v = 0;
    if (!readReal(c, text, &v)) return false;
    if (!(v >= 0.5 && v <= 512)) {
        plain(c, rangeText("0.5-512"));
        return false;
    }
    float& dc = flank == 0 ? c.osc_dc1 : c.osc_dc2;
    dc = float(v);
    text = formatFixed3(dc);
    c.changed(View::Oscilloscope);
    const int slot = oscSlot(c);
    if (slot < 0) return true; // kept for the next oscillogram's sensor; nothing to send it to now
    SensorRecord& r = c.sensors[size_t(slot)];
    (flank == 0 ? r.dc_component1 : r.dc_component2) = dc;
    saveLastingState(c, r);
    // The flank not edited goes out as stored for this very sensor, whatever was edited for
    // another one meanwhile.
    Put_Cmd(c, frame::setDcB(slot, r.dc_component1, r.dc_component2));
    return true;
}

bool scopeAWindow(Console& c, int lo, int hi, const char* range, const QString& text, quint16* field) {
    int v = 0;
    if (!readInt(c, text, lo, hi, range, &v)) return false;
    *field = quint16(v);
    ++c.scope.a.revision; // the curves clear with it
    c.changed(View::Oscilloscope);
    return true;
}

} // namespace

bool ButtonOnOscillVBClick(Console& c) {
    if (!addressMapDone(c)) return true;
    int position = 0;
    if (!readInt(c, c.osc.Edit7, 1, kSlots, "1-200", &position)) return false;
    const int slot = position - 1;
    const SensorRecord& r = c.sensors[size_t(slot)];
    if (r.link_up == 0) return true; // no answering sensor there
    c.osc.Edit7_enabled = false;
    c.osc.LabelNumPosOscill_enabled = false;
    c.osc.ButtonOnOscillVB_enabled = false;
    c.osc.LabelOscState.clear();
    c.changed(View::Oscilloscope);
    if (!Put_Cmd(c, frame::oscillOn(slot, quint16(r.factory_number & 0xFFFF)))) oscillogramRequestDropped(c);
    return true;
}

void oscillogramRequestDropped(Console& c) {
    if (c.osc_slot >= 0) return; // one runs: its controls stay as they are
    c.osc.Edit7_enabled = true;
    c.osc.LabelNumPosOscill_enabled = true;
    c.osc.ButtonOnOscillVB_enabled = true;
    c.osc.LabelOscState = QStringLiteral("Преобразователь не подтвердил включение");
    c.changed(View::Oscilloscope);
}

void ButtonOffOscillVBClick(Console& c) {
    if (!addressMapDone(c)) return;
    Put_Cmd(c, frame::oscillOff());
}

bool Edit1Exit(Console& c) {
    return flankWindowExit(c, 0, c.osc.Edit1);
}
bool Edit4Exit(Console& c) {
    return flankWindowExit(c, 1, c.osc.Edit4);
}
bool Edit2Exit(Console& c) {
    return flankLimitExit(c, 0, false, c.osc.Edit2);
}
bool Edit3Exit(Console& c) {
    return flankLimitExit(c, 0, true, c.osc.Edit3);
}
bool Edit5Exit(Console& c) {
    return flankLimitExit(c, 1, false, c.osc.Edit5);
}
bool Edit6Exit(Console& c) {
    return flankLimitExit(c, 1, true, c.osc.Edit6);
}

bool RecordDelta1Click(Console& c) {
    return recordDelta(c, 0);
}
bool RecordDelta2Click(Console& c) {
    return recordDelta(c, 1);
}

bool EditXExit(Console& c) {
    return scopeAWindow(c, 100, 5000, "100-5000", c.osc.EditX, &c.scope.a.window);
}
bool EditYminExit(Console& c) {
    return scopeAWindow(c, 0, 4095, "0-4095", c.osc.EditYmin, &c.scope.a.y_min);
}
bool EditYmaxExit(Console& c) {
    return scopeAWindow(c, 0, 4095, "0-4095", c.osc.EditYmax, &c.scope.a.y_max);
}

bool EDirect_componentExit(Console& c) {
    double v = 0;
    if (!readReal(c, c.osc.EDirect_component, &v)) return false;
    const double whole = std::trunc(v);
    if (!(whole >= 1 && whole <= 4095)) {
        plain(c, rangeText("1-4095"));
        return false;
    }
    c.osc_dc_a = quint16(whole);
    c.osc.EDirect_component = QString::number(c.osc_dc_a); // shows what is sent (4.9 sends 4)
    c.changed(View::Oscilloscope);
    const int slot = oscSlot(c);
    if (slot < 0) return true;
    SensorRecord& r = c.sensors[size_t(slot)];
    r.dc_component1 = r.dc_component2 = float(c.osc_dc_a);
    saveLastingState(c, r);
    Put_Cmd(c, frame::setDcA(slot, c.osc_dc_a));
    return true;
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
