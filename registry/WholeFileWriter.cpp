// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/WholeFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vatrel {

namespace {

QByteArray native(const QString& path) { return QFile::encodeName(path); }

// Six letters and digits, the form the start-up's clean-up of interrupted saves looks for.
QString randomSuffix() {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString s(6, QLatin1Char('0'));
    for (QChar& ch : s)
        ch = QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)]);
    return s;
}

} // namespace

WholeFileWriter::WholeFileWriter(const QString& path) : m_path(path) {
    const QFileInfo fi(path);
    if (fi.isSymLink()) {
        const QString target = fi.canonicalFilePath();
        m_path = target.isEmpty() ? fi.symLinkTarget() : target;
    }
}

WholeFileWriter::~WholeFileWriter() { cancel(); }

bool WholeFileWriter::fail(int err) {
    if (!m_failed) {
        m_failed = true;
        m_error = QString::fromLocal8Bit(std::strerror(err));
    }
    return false;
}

bool WholeFileWriter::open() {
    cancel();
    m_failed = false;
    m_error.clear();
    m_written = 0;
    struct stat old {};
    const bool exists = ::stat(native(m_path).constData(), &old) == 0;
    // Only a regular file is replaced: a pipe, a device or a folder in its place (or at the end of a
    // link) stays as it is and the write fails, as a read of it does.
    if (exists && !S_ISREG(old.st_mode)) return fail(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = m_path + QLatin1Char('.') + randomSuffix();
        m_fd = ::open(native(m_temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) break;
    }
    if (m_fd < 0) {
        const int err = errno;
        m_temp.clear();
        return fail(err);
    }
    // The new file keeps the permissions the operator gave the old one.
    if (exists && S_ISREG(old.st_mode)) (void)::fchmod(m_fd, old.st_mode & 07777);
    return true;
}

bool WholeFileWriter::write(const QByteArray& bytes) {
    if (m_failed || m_fd < 0) return false;
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(errno);
        if (n == 0) return fail(ENOSPC);
        p += n;
        left -= n;
        m_written += n;
    }
    return true;
}

bool WholeFileWriter::commit() {
    if (m_fd < 0 || m_failed) {
        cancel();
        return false;
    }
    bool ok = true;
    // Some file systems find the disk full only when the data leaves the page cache.
    if (::fsync(m_fd) != 0) ok = fail(errno);
    struct stat st {};
    if (ok && ::fstat(m_fd, &st) != 0) ok = fail(errno);
    if (ok && qint64(st.st_size) != m_written) ok = fail(EIO);
    const int fd = m_fd;
    m_fd = -1;
    // close() is not retried on EINTR: on Linux the descriptor is gone either way.
    if (::close(fd) != 0 && ok) ok = fail(errno);
    if (ok && ::rename(native(m_temp).constData(), native(m_path).constData()) != 0) ok = fail(errno);
    if (!ok) {
        (void)::unlink(native(m_temp).constData());
        m_temp.clear();
        return false;
    }
    m_temp.clear();
    // The rename itself is on disk only once the folder is. The new content is in place either way,
    // so a folder that cannot be synced does not make the write a failure.
    const QByteArray dir = native(QFileInfo(m_path).absolutePath());
    if (const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void WholeFileWriter::cancel() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        (void)::unlink(native(m_temp).constData());
        m_temp.clear();
    }
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error) {
    WholeFileWriter w(path);
    const bool ok = w.open() && w.write(bytes) && w.commit();
    if (!ok && error) *error = w.errorString();
    return ok;
}

} // namespace vatrel
