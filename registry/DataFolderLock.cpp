// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/DataFolderLock.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vatrel {

DataFolderLock::DataFolderLock(const QString& data_dir)
    : m_dir(data_dir), m_path(data_dir + QStringLiteral("/vatrel-console.lock")) {}

DataFolderLock::~DataFolderLock() {
    if (m_fd < 0) return;
    // Removed while still held: a console that opened the file just before finds, once it has the
    // lock, that the name no longer leads to its file and starts over (see lock()).
    if (m_writable) ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
}

DataFolderLock::Result DataFolderLock::lock() {
    if (m_fd >= 0) return Result::Locked;
    const QByteArray path = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < 10; ++attempt) {
        // O_NONBLOCK: a FIFO in the file's place must not hold the start up.
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
        const bool writable = fd >= 0;
        if (fd < 0 && errno == EISDIR) return Result::NotAFile;
        // A read-only folder or file: a lock on a descriptor opened for reading is as good.
        if (fd < 0) fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return errno == EISDIR ? Result::NotAFile : Result::Unlocked;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return Result::NotAFile;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            // Another error (a file system without locks) must not keep the console down either.
            return err == EWOULDBLOCK ? Result::Busy : Result::Unlocked;
        }
        // The console before us may have removed the file between our open and our lock.
        struct stat now {};
        if (::stat(path.constData(), &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        m_writable = writable;
        if (writable) {
            // For people only: who holds the folder. Nothing reads it back.
            const QByteArray who =
                QByteArray::number(::getpid()) + '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
            if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, who.constData(), size_t(who.size()), 0);
        }
        return Result::Locked;
    }
    return Result::Busy;
}

bool DataFolderLock::folderWritable() const {
    return ::access(QFile::encodeName(m_dir).constData(), W_OK) == 0;
}

QString DataFolderLock::busyText(const QString& data_dir) {
    return QStringLiteral("В папке данных ") + QDir::toNativeSeparators(data_dir) +
           QStringLiteral(" уже работает другой пульт. Второй пульт не запущен");
}

QString DataFolderLock::notAFileText(const QString& lock_path) {
    const QString path = QDir::toNativeSeparators(lock_path);
    return QStringLiteral("Файл блокировки ") + path +
           QStringLiteral(" - не обычный файл (папка или устройство). Пульт не запущен: удалите или "
                          "переименуйте ") +
           path;
}

QString DataFolderLock::startWarning(Result result) const {
    if (!folderWritable()) return readOnlyText(m_dir);
    if (result != Result::Unlocked) return QString();
    return QStringLiteral("Папку данных ") + QDir::toNativeSeparators(m_dir) +
           QStringLiteral(" не удалось заблокировать. Пульт работает, но второй пульт, запущенный в этой "
                          "папке, не будет замечен");
}

QString DataFolderLock::readOnlyText(const QString& data_dir) {
    return QStringLiteral("Папка данных ") + QDir::toNativeSeparators(data_dir) +
           QStringLiteral(" доступна только для чтения. Пульт работает, но ничего не сохраняет: события, "
                          "датчики и операторы не записываются");
}

} // namespace vatrel
