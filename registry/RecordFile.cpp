// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/RecordFile.h"
#include "registry/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

RecordWrite appendRecordTo(const QString& path, const QByteArray& record) {
    // Straight system calls: every event appends to two files, hundreds of times a second in an alarm
    // storm, and nothing here needs a buffer (a short write shows in write()'s result, not later in a
    // close that cannot say so).
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: a named pipe in the file's place must not hold the program up (regular files
    // ignore the flag).
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return openFailure(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) { // size unknown: nothing may be cut or rolled back
        ::close(fd);
        return RecordWrite::WriteFailed;
    }
    if (!S_ISREG(st.st_mode)) { // a pipe, a device, /dev/null: the record would not be kept
        ::close(fd);
        return RecordWrite::OpenFailed;
    }
    const qint64 size = st.st_size;
    const qint64 whole = record.isEmpty() ? size : size - size % record.size();
    bool ok = whole == size || ::ftruncate(fd, off_t(whole)) == 0;
    if (ok) ok = writeAll(fd, record);
    if (!ok) (void)::ftruncate(fd, off_t(whole)); // best effort; the next append cuts the tail otherwise
    ok = ::close(fd) == 0 && ok;
    return ok ? RecordWrite::Written : RecordWrite::WriteFailed;
}

RecordWrite overwriteRecordAt(const QString& path, qint64 offset, const QByteArray& record) {
    QFile f(path);
    if (!openRegularFile(f, QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return openFailure(path);
    bool ok = f.seek(offset) && f.write(record) == record.size();
    // Settings records are rewritten only by an operator's change and at exit: each is on the disk
    // before the event that tells of it, so a power cut cannot take the change back.
    ok = ok && ::fsync(f.handle()) == 0;
    ok = closeChecked(f) && ok;
    return ok ? RecordWrite::Written : RecordWrite::WriteFailed;
}

} // namespace vatrel
