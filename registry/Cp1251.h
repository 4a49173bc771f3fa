// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vatrel::cp1251 {

QByteArray encode(const QString& text);
QString decode(QByteArrayView bytes);

// Encodes `text` for a NUL-terminated field of `fieldSize` bytes: at most fieldSize - 1 bytes
// of text (cp1251 is one byte per character, so the cut falls on a character boundary).
QByteArray encodeField(const QString& text, int fieldSize);
// Decodes a stored field up to its first NUL, or the whole field when it holds none.
QString decodeField(QByteArrayView field);

} // namespace vatrel::cp1251
