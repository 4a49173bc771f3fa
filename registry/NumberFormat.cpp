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
} // namespace

QString formatFixed3(double v) {
    return plainLocale().toString(v, 'f', 3);
}

QString formatGeneral(double v) {
    return plainLocale().toString(v, 'g', QLocale::FloatingPointShortest);
}

QString formatGeneral(float v) {
    // The shortest text that reads back to the same float (16777216 stays "16777216", 0.1f is "0.1"),
    // as the C++ library computes it for float itself; then the locale's decimal separator and signs.
    if (!std::isfinite(v)) return plainLocale().toString(double(v));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    const QString plain = QString::fromLatin1(buf, int(res.ptr - buf));
    const QLocale l;
    QString out;
    out.reserve(plain.size());
    for (QChar ch : plain) {
        if (ch == QLatin1Char('.'))
            out += l.decimalPoint();
        else if (ch == QLatin1Char('-'))
            out += l.negativeSign();
        else
            out += ch;
    }
    return out;
}

bool parseNumber(const QString& text, double* out) {
    bool ok = false;
    const double v = plainLocale().toDouble(text.trimmed(), &ok);
    if (ok && out) *out = v;
    return ok;
}

} // namespace vatrel
