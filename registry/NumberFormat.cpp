// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/NumberFormat.h"

#include <QLocale>
#include <charconv>
#include <cmath>

namespace vatrel {

namespace {
QLocale plainLocale() {
    QLocale l;
    l.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return l;
}

// Plain "C" digits with the locale's decimal separator and minus sign put in.
QString localised(const QLocale& l, const char* begin, const char* end) {
    const QString point = l.decimalPoint();
    const QString minus = l.negativeSign();
    QString out;
    out.reserve(int(end - begin) + 1);
    for (const char* p = begin; p != end; ++p) {
        if (*p == '.')
            out += point;
        else if (*p == '-')
            out += minus;
        else
            out += QLatin1Char(*p);
    }
    return out;
}
} // namespace

QString formatFixed3(double v) {
    // Four cells of every status report go through here. The C++ library rounds exactly as the
    // locale's formatter does; huge values and the non-finite ones are left to the latter.
    // Locales with digits of their own are left to the locale's formatter as well.
    const QLocale l;
    if (!std::isfinite(v) || std::fabs(v) >= 1e15 || l.zeroDigit() != QLatin1String("0"))
        return plainLocale().toString(v, 'f', 3);
    if (v == 0) v = 0; // a negative zero is shown unsigned, as the locale's formatter shows it
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    return localised(l, buf, res.ptr);
}

QString formatGeneral(double v) { return plainLocale().toString(v, 'g', QLocale::FloatingPointShortest); }

QString formatGeneral(float v) {
    // The shortest text that reads back to the same float (16777216 stays "16777216", 0.1f is "0.1"),
    // as the C++ library computes it for float itself; then the locale's decimal separator and signs.
    if (!std::isfinite(v)) return plainLocale().toString(double(v));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return localised(QLocale(), buf, res.ptr);
}

bool parseNumber(const QString& text, double* out) {
    const QLocale l = plainLocale();
    QString t = text.trimmed();
    // The dot is taken as the decimal separator in every locale: operators type it from habit, and
    // numbers here never carry digit groups it could be mistaken for.
    if (l.decimalPoint() != QLatin1String(".") && !t.contains(l.decimalPoint()))
        t.replace(QLatin1Char('.'), l.decimalPoint());
    bool ok = false;
    const double v = l.toDouble(t, &ok);
    if (ok && out) *out = v;
    return ok;
}

quint16 dcComponentWord(float v) {
    if (std::isnan(v) || v <= 0) return 0;
    if (v >= 65535.0f) return 65535;
    return quint16(v); // truncates toward zero
}

} // namespace vatrel
