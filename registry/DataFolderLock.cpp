#include "registry/DataFolderLock.h"

#include <QDir>

namespace vatrel {

DataFolderLock::DataFolderLock(const QString& data_dir)
    : m_lock(data_dir + QStringLiteral("/vatrel-console.lock")) {
    // Never stale by age: a console runs for months. Only a dead owner frees it.
    m_lock.setStaleLockTime(0);
}

bool DataFolderLock::tryLock() {
    if (m_lock.tryLock(0)) return true;
    m_busy = m_lock.error() == QLockFile::LockFailedError;
    return false;
}

QString DataFolderLock::busyText(const QString& data_dir) {
    return QStringLiteral("В папке данных ") + QDir::toNativeSeparators(data_dir) +
           QStringLiteral(" уже работает другой пульт. Второй пульт не запущен");
}

} // namespace vatrel
