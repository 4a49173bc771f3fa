// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Converter frames built by hand, so that a fault in the program's frame codec cannot hide behind
// the same fault in the test input.
#include <QByteArray>
#include <array>
#include <bit>
#include <vector>

namespace vatrel::testing {

// A converter frame: start character, the words as 4 hex digits each, the checksum byte, CR LF.
// The checksum is computed here from its definition (high and low byte of word 0, low bytes of the
// others, two's complement).
inline QByteArray converterFrame(char start, const std::vector<quint16>& words, bool lowerCase = false) {
    unsigned sum = 0;
    QByteArray text;
    for (size_t i = 0; i < words.size(); ++i) {
        sum += i == 0 ? (words[i] >> 8) + (words[i] & 0xFF) : (words[i] & 0xFF);
        text += QByteArray::number(words[i], 16).rightJustified(4, '0');
    }
    text += QByteArray::number((256 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0');
    text = lowerCase ? text.toLower() : text.toUpper();
    return start + text + "\r\n";
}

// A reply to a command, as the converter sends it.
inline QByteArray reply(const std::vector<quint16>& words, bool lowerCase = false) {
    return converterFrame(':', words, lowerCase);
}

// A report's text as the decoder receives it: after '~', checksum byte included, without CR LF.
inline QByteArray reportText(const std::vector<quint16>& words) {
    const QByteArray f = converterFrame('~', words);
    return f.mid(1, f.size() - 3);
}

// A type B oscillogram sample report (code 0x42, layout 0xC3): eight floats, one byte per word,
// least significant byte first.
inline QByteArray typeBSampleReport(quint16 number, const std::array<float, 8>& values) {
    std::vector<quint16> w{0x0142, 0, number, 0x00C3, 0x0000};
    for (float v : values)
        for (int i = 0; i < 4; ++i)
            w.push_back(quint16((std::bit_cast<quint32>(v) >> (8 * i)) & 0xFF));
    return converterFrame('~', w);
}

} // namespace vatrel::testing
