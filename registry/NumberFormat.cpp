#include "registry/NumberFormat.h"

#include <QLocale>

namespace vatrel {

namespace {
QLocale plainLocale() {
    QLocale l;
    l.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return l;
}
} // namespace

QString formatFixed3(double v) { return plainLocale().toString(v, 'f', 3); }

QString formatGeneral(double v) { return plainLocale().toString(v, 'g', QLocale::FloatingPointShortest); }

QString formatGeneral(float v) { return plainLocale().toString(double(v), 'g', 7); }

bool parseNumber(const QString& text, double* out) {
    bool ok = false;
    const double v = plainLocale().toDouble(text.trimmed(), &ok);
    if (ok && out)
        *out = v;
    return ok;
}

} // namespace vatrel
