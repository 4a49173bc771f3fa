// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small file system of its own (a tmpfs mounted on a temporary folder) that a test fills up to
// the last block, or makes read-only. Mounting needs root; without it the test is skipped.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

namespace vatrel::testing {

class SmallFileSystem {
public:
    explicit SmallFileSystem(int kilobytes = 64) {
        if (::geteuid() != 0 || !m_dir.isValid()) return;
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + 'k';
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            options.constData()) == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted) ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }

    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString file(const QString& fragment) const { return m_dir.path() + QLatin1Char('/') + fragment; }

    // Takes every free block, as `dd if=/dev/zero of=fill` does.
    void fill() {
        QFile f(file(QStringLiteral("fill")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered));
        for (const int size : {4096, 1})
            while (f.write(QByteArray(size, '\0')) > 0) {}
    }
    bool makeReadOnly() {
        return ::mount(nullptr, QFile::encodeName(m_dir.path()).constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                       nullptr) == 0;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace vatrel::testing

// Skips the test where no file system of its own can be mounted.
#define VATREL_REQUIRE_SMALL_FILE_SYSTEM(disk)                                                               \
    if (!(disk).mounted()) QSKIP("needs root to mount a small tmpfs")
