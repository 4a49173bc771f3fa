#include "registry/Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace vatrel::cp1251 {

namespace {
// Opening a converter by name costs more than converting a whole record, and every logged event
// converts one: keep one of each per thread. One byte per character, so no state carries over.
QStringEncoder& encoder() {
    thread_local QStringEncoder enc("windows-1251", QStringConverter::Flag::Stateless);
    return enc;
}
QStringDecoder& decoder() {
    thread_local QStringDecoder dec("windows-1251", QStringConverter::Flag::Stateless);
    return dec;
}
} // namespace

QByteArray encode(const QString& text) {
    return encoder().encode(text);
}

QString decode(QByteArrayView bytes) {
    return decoder().decode(bytes);
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
