// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <utility>

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

// Every character of the code page maps by table, built once from the converter itself: ASCII and
// U+0410…U+044F by arithmetic, the 64 signs and letters of 0x80…0xBF by lookup. Every logged event
// converts its texts, and their "№", "Ё" and quotes would otherwise send the whole text through the
// converter. A character the page lacks (and a byte the page leaves undefined) still goes through
// the converter, which gives its own replacement.
constexpr char16_t kCyrillicA = 0x0410, kCyrillicYaSmall = 0x044F;

struct UpperHalf {
    char16_t toUnicode[64] = {}; // 0 where the converter's answer is not one character back and forth
    std::array<std::pair<char16_t, uchar>, 64> toByte{};
    int toByteCount = 0;

    UpperHalf() {
        QStringDecoder dec("windows-1251", QStringConverter::Flag::Stateless);
        QStringEncoder enc("windows-1251", QStringConverter::Flag::Stateless);
        for (int b = 0x80; b < 0xC0; ++b) {
            const QString one = dec.decode(QByteArray(1, char(b)));
            if (one.size() != 1 || one.at(0) == QChar::ReplacementCharacter) continue;
            if (QByteArray(enc.encode(one)) != QByteArray(1, char(b))) continue;
            toUnicode[b - 0x80] = one.at(0).unicode();
            toByte[toByteCount++] = {one.at(0).unicode(), uchar(b)};
        }
        std::sort(toByte.begin(), toByte.begin() + toByteCount);
    }

    int byteFor(char16_t u) const {
        const auto end = toByte.begin() + toByteCount;
        const auto it = std::lower_bound(toByte.begin(), end, std::pair<char16_t, uchar>{u, 0});
        return it != end && it->first == u ? it->second : -1;
    }
};

const UpperHalf& upperHalf() {
    static const UpperHalf table;
    return table;
}

bool encodeSimple(const QString& text, QByteArray& out) {
    out.resize(text.size());
    char* dst = out.data();
    const UpperHalf* upper = nullptr;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80) {
            *dst++ = char(u);
        } else if (u >= kCyrillicA && u <= kCyrillicYaSmall) {
            *dst++ = char(0xC0 + (u - kCyrillicA));
        } else {
            if (!upper) upper = &upperHalf();
            const int b = upper->byteFor(u);
            if (b < 0) return false;
            *dst++ = char(b);
        }
    }
    return true;
}

bool decodeSimple(QByteArrayView bytes, QString& out) {
    out.resize(bytes.size());
    QChar* dst = out.data();
    const UpperHalf* upper = nullptr;
    for (const char c : bytes) {
        const auto b = uchar(c);
        if (b < 0x80) {
            *dst++ = QChar(b);
        } else if (b >= 0xC0) {
            *dst++ = QChar(char16_t(kCyrillicA + (b - 0xC0)));
        } else {
            if (!upper) upper = &upperHalf();
            const char16_t u = upper->toUnicode[b - 0x80];
            if (u == 0) return false;
            *dst++ = QChar(u);
        }
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
