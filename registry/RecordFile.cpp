#include "registry/RecordFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vatrel {

namespace {

RecordWrite openFailure(const QString& path) {
    return QFileInfo(path).dir().exists() ? RecordWrite::OpenFailed : RecordWrite::NoFolder;
}

// Closes the file and tells whether the close went through as well.
bool closeChecked(QFile& f) {
    f.close();
    return f.error() == QFileDevice::NoError;
}

} // namespace

RecordWrite appendRecordTo(const QString& path, const QByteArray& record) {
    QFile f(path);
    // Unbuffered: a short write shows in write()'s result, not later in a close that cannot say so.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) return openFailure(path);
    const qint64 size = f.size();
    const qint64 whole = record.isEmpty() ? size : size - size % record.size();
    bool ok = whole == size || f.resize(whole);
    if (ok) ok = f.write(record) == record.size();
    if (!ok) f.resize(whole); // best effort; the next append cuts the tail otherwise
    ok = closeChecked(f) && ok;
    return ok ? RecordWrite::Written : RecordWrite::WriteFailed;
}

RecordWrite overwriteRecordAt(const QString& path, qint64 offset, const QByteArray& record) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return openFailure(path);
    bool ok = f.seek(offset) && f.write(record) == record.size();
    ok = closeChecked(f) && ok;
    return ok ? RecordWrite::Written : RecordWrite::WriteFailed;
}

} // namespace vatrel
