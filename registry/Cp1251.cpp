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

// Latin letters, digits and the Russian alphabet map by plain arithmetic: U+0410…U+044F are
// 0xC0…0xFF, Ё and ё are 0xA8 and 0xB8. Every event's text is converted as it is logged, and those
// characters are nearly all of them; a text with any other character goes through the converter.
constexpr char16_t kCyrillicA = 0x0410, kCyrillicYaSmall = 0x044F, kYo = 0x0401, kYoSmall = 0x0451;

bool encodeSimple(const QString& text, QByteArray& out) {
    out.resize(text.size());
    char* dst = out.data();
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80)
            *dst++ = char(u);
        else if (u >= kCyrillicA && u <= kCyrillicYaSmall)
            *dst++ = char(0xC0 + (u - kCyrillicA));
        else if (u == kYo)
            *dst++ = char(0xA8);
        else if (u == kYoSmall)
            *dst++ = char(0xB8);
        else
            return false;
    }
    return true;
}

bool decodeSimple(QByteArrayView bytes, QString& out) {
    out.resize(bytes.size());
    QChar* dst = out.data();
    for (const char c : bytes) {
        const auto b = uchar(c);
        if (b < 0x80)
            *dst++ = QChar(b);
        else if (b >= 0xC0)
            *dst++ = QChar(char16_t(kCyrillicA + (b - 0xC0)));
        else if (b == 0xA8)
            *dst++ = QChar(kYo);
        else if (b == 0xB8)
            *dst++ = QChar(kYoSmall);
        else
            return false;
    }
    return true;
}

} // namespace

QByteArray encode(const QString& text) {
    QByteArray out;
    if (encodeSimple(text, out)) return out;
    return encoder().encode(text);
}

QString decode(QByteArrayView bytes) {
    QString out;
    if (decodeSimple(bytes, out)) return out;
    return decoder().decode(bytes);
}

QByteArray encodeField(const QString& text, int fieldSize) {
    QByteArray out = encode(text);
    const int nul = out.indexOf('\0');
    if (nul >= 0) out.truncate(nul);
    if (out.size() > fieldSize - 1) out.truncate(fieldSize - 1);
    return out;
}

QString decodeField(QByteArrayView field) {
    const qsizetype nul = field.indexOf('\0');
    return decode(nul >= 0 ? field.first(nul) : field);
}

} // namespace vatrel::cp1251
