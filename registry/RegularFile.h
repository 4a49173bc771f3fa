// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QIODevice>
#include <QString>

class QFile;

namespace vatrel {

// Opening stored files so that something else in their place (a named pipe, a device such as
// /dev/zero, a folder) never holds the program up or feeds it without end: the file is opened
// without waiting (a pipe would wait for its other end), then checked on the open descriptor, so
// nothing can be swapped in between. Whatever is not a regular file is refused like a file that
// cannot be opened.

// Opens `f` (named already) with `mode`: ReadOnly, WriteOnly or ReadWrite, with Append, Unbuffered
// and ExistingOnly; a write mode creates a missing file unless ExistingOnly is given. Qt opens it
// by its descriptor, so afterwards f.fileName() is empty: keep the path where it is needed.
bool openRegularFile(QFile& f, QIODevice::OpenMode mode);

// The whole content of a regular file of at most `maxBytes`; false for anything else, a larger file
// included.
bool readRegularFile(const QString& path, qint64 maxBytes, QByteArray* content);

} // namespace vatrel
