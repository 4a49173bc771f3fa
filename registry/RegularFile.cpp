// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vatrel {

namespace {

// A descriptor of the regular file at `path`, or -1.
int openRegular(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // Only the open was not to wait; reads and writes of a regular file do not anyway.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

bool openRegularFile(QFile& f, QIODevice::OpenMode mode) {
    int flags = 0;
    if (mode.testFlag(QIODevice::ReadWrite))
        flags = O_RDWR;
    else if (mode.testFlag(QIODevice::WriteOnly))
        flags = O_WRONLY;
    else
        flags = O_RDONLY;
    if (mode.testFlag(QIODevice::WriteOnly) && !mode.testFlag(QIODevice::ExistingOnly)) flags |= O_CREAT;
    if (mode.testFlag(QIODevice::Append)) flags |= O_APPEND;
    const int fd = openRegular(f.fileName(), flags);
    if (fd < 0) return false;
    const QIODevice::OpenMode qtMode = mode & ~QIODevice::OpenMode(QIODevice::ExistingOnly);
    if (!f.open(fd, qtMode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool readRegularFile(const QString& path, qint64 maxBytes, QByteArray* content) {
    const int fd = openRegular(path, O_RDONLY);
    if (fd < 0) return false;
    QByteArray bytes;
    bool ok = true;
    for (;;) {
        // One byte more than allowed tells a file that is too large.
        const qint64 room = maxBytes + 1 - bytes.size();
        if (room <= 0) {
            ok = false;
            break;
        }
        const qsizetype old = bytes.size();
        bytes.resize(old + qsizetype(qMin<qint64>(room, 65536)));
        const ssize_t n = ::read(fd, bytes.data() + old, size_t(bytes.size() - old));
        if (n < 0 && errno == EINTR) {
            bytes.resize(old);
            continue;
        }
        bytes.resize(old + qsizetype(qMax<ssize_t>(n, 0)));
        if (n <= 0) {
            ok = n == 0;
            break;
        }
    }
    ::close(fd);
    if (ok && content) *content = std::move(bytes);
    return ok;
}

} // namespace vatrel
