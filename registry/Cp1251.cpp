#include "registry/Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace vatrel::cp1251 {

QByteArray encode(const QString& text) {
    QStringEncoder enc("windows-1251");
    QByteArray out = enc.encode(text);
    return out;
}

QString decode(QByteArrayView bytes) {
    QStringDecoder dec("windows-1251");
    return dec.decode(bytes);
}

QByteArray encodeField(const QString& text, int fieldSize) {
    QByteArray out = encode(text);
    const int nul = out.indexOf('\0');
    if (nul >= 0)
        out.truncate(nul);
    if (out.size() > fieldSize - 1)
        out.truncate(fieldSize - 1);
    return out;
}

QString decodeField(QByteArrayView field) {
    const qsizetype nul = field.indexOf('\0');
    return decode(nul >= 0 ? field.first(nul) : field);
}

} // namespace vatrel::cp1251
