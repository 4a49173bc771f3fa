// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>

namespace vatrel {

// Writing to files made of fixed-size records. Every step is checked, the final close included
// (a full disk often shows only when the last bytes leave the buffer), and a file never ends in
// a part-record after a write of ours: what a failed write left is cut off again, and a part-record
// found at the end (an earlier failure, a crash) is cut off before the next record is appended.
enum class RecordWrite {
    Written,
    NoFolder,   // the folder the file belongs in does not exist
    OpenFailed, // the file could not be opened although its folder exists
    WriteFailed // opened, but the record did not reach the file whole
};

// Appends `record` as the new last record; the file is created when absent. The record's size
// is the file's record size.
RecordWrite appendRecordTo(const QString& path, const QByteArray& record);

// Overwrites the record at `offset` of an existing file (the file is not created).
RecordWrite overwriteRecordAt(const QString& path, qint64 offset, const QByteArray& record);

} // namespace vatrel
