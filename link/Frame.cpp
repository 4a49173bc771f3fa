// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Frame.h"

#include <cstring>

namespace vatrel::frame {

char nibbleToChar(int nibble) {
    nibble &= 0xF;
    return char(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
}

int charToNibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

static int digit(char c) {
    const int n = charToNibble(c);
    return n < 0 ? 0 : n;
}

quint16 wordAt(const char* text, int k) {
    return quint16((digit(text[k]) << 12) | (digit(text[k + 1]) << 8) | (digit(text[k + 2]) << 4) |
                   digit(text[k + 3]));
}

quint16 checksum(const quint16* words, int n) {
    if (n <= 0) return 0;
    quint16 sum = quint16((words[0] >> 8) + (words[0] & 0xFF));
    for (int i = 1; i < n; ++i)
        sum = quint16(sum + words[i]);
    return quint16(0 - sum);
}

QByteArray encode(char start, const quint16* words, int count) {
    QByteArray out;
    if (count <= 0) return out;
    out.reserve(1 + 4 * (count - 1) + 4);
    out.append(start);
    for (int i = 0; i < count - 1; ++i)
        for (int shift = 12; shift >= 0; shift -= 4)
            out.append(nibbleToChar(words[i] >> shift));
    out.append(nibbleToChar(words[count - 1] >> 4));
    out.append(nibbleToChar(words[count - 1]));
    out.append('\r');
    out.append('\n');
    return out;
}

bool check(const char* text, int len) {
    if (!text || len < 4 || (len & 1)) return false;
    // A character that is not a hex digit would otherwise read as 0 and could pass the sum.
    for (int k = 0; k < len; ++k)
        if (charToNibble(text[k]) < 0) return false;
    unsigned sum =
        unsigned(digit(text[0]) << 4 | digit(text[1])) + unsigned(digit(text[2]) << 4 | digit(text[3]));
    for (int k = 4; k < len - 2; k += 4) // with an even len the group at k never passes the end
        sum += wordAt(text, k) & 0xFF;
    const unsigned cs = unsigned(digit(text[len - 2]) << 4 | digit(text[len - 1]));
    return ((sum + cs) & 0xFF) == 0;
}

namespace {
std::vector<quint16> finish(std::vector<quint16> w) {
    w.push_back(checksum(w.data(), int(w.size())));
    return w;
}
quint16 header(quint8 code) { return quint16(0x0100 | code); }
} // namespace

std::vector<quint16> poll() { return finish({header(CMD_POLL)}); }

std::vector<quint16> kartaEntry(int mapIndex, quint16 factoryNumber, quint8 deviceCode) {
    return finish({header(CMD_KARTA_ENTRY), quint16(mapIndex), factoryNumber, deviceCode});
}

std::vector<quint16> connectSensor(int slot, quint16 factoryNumber, quint8 deviceCode) {
    return finish({header(CMD_CONNECT_SENSOR), quint16(slot), factoryNumber, deviceCode});
}

std::vector<quint16> disconnectSensor(int slot) {
    return finish({header(CMD_DISCONNECT_SENSOR), quint16(slot)});
}

std::vector<quint16> setDcB(int slot, float dc1, float dc2) {
    quint32 b1, b2;
    std::memcpy(&b1, &dc1, 4);
    std::memcpy(&b2, &dc2, 4);
    return finish({header(CMD_SET_DC_B), quint16(slot), quint16(b1 & 0xFFFF), quint16(b1 >> 16),
                   quint16(b2 & 0xFFFF), quint16(b2 >> 16)});
}

std::vector<quint16> setDcA(int slot, quint16 dc) {
    return finish({header(CMD_SET_DC_A), quint16(slot), dc});
}

std::vector<quint16> oscillOn(int slot, quint16 factoryNumber) {
    return finish({header(CMD_OSCILL_ON), quint16(slot), factoryNumber});
}

std::vector<quint16> oscillOff() { return finish({header(CMD_OSCILL_OFF)}); }

} // namespace vatrel::frame
