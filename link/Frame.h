// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <vector>

namespace vatrel {

// Command codes the console sends.
enum CommandCode : quint8 {
    CMD_POLL = 0x41,
    CMD_KARTA_ENTRY = 0x42,
    CMD_CONNECT_SENSOR = 0x43,
    CMD_DISCONNECT_SENSOR = 0x44,
    CMD_SET_DC_B = 0x45,
    CMD_SET_DC_A = 0x46,
    CMD_OSCILL_ON = 0x47,
    CMD_OSCILL_OFF = 0x48,
};

// Report codes the converter sends on its own ('~' frames).
enum ReportCode : quint8 {
    REPORT_STATUS = 0x41,
    REPORT_STATUS_OSC = 0x42,
    REPORT_KS_ERRORS = 0xFD,
    REPORT_TIMEOUTS = 0xFE,
    REPORT_NO_LINK = 0xFF,
};

namespace frame {

char nibbleToChar(int nibble); // 0..15 -> '0'..'9','A'..'F'
int charToNibble(char c);      // hex digit (either case) -> 0..15; any other character -> -1
// Word at character offset k of a received text; characters that are not hex digits count as 0.
// Characters beyond `len` are never read: the caller checks the text is long enough.
quint16 wordAt(const char* text, int k);

// 16-bit checksum of words[0..n-1]: 0 - (hi(w0) + lo(w0) + w1 + ... + w(n-1)); only its low byte
// is transmitted.
quint16 checksum(const quint16* words, int n);
// Encodes a command: ':' + 4 hex digits for every word but the last + 2 digits of the last word's
// low byte + CR LF.
QByteArray encode(char start, const quint16* words, int count);
// Frame check of a received text (start character and CR LF already removed): even length of at least
// 4, hex digits only, and the checksum byte.
bool check(const char* text, int len);

// Command builders: the complete word list, checksum last.
std::vector<quint16> poll();
std::vector<quint16> kartaEntry(int mapIndex, quint16 factoryNumber, quint8 deviceCode);
std::vector<quint16> connectSensor(int slot, quint16 factoryNumber, quint8 deviceCode = 22);
std::vector<quint16> disconnectSensor(int slot);
std::vector<quint16> setDcB(int slot, float dc1, float dc2);
std::vector<quint16> setDcA(int slot, quint16 dc);
std::vector<quint16> oscillOn(int slot, quint16 factoryNumber);
std::vector<quint16> oscillOff();

} // namespace frame
} // namespace vatrel
