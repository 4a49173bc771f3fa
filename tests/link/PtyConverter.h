// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace vatrel::testing {

// The converter's end of a pseudo-terminal; the console's end is reached through <dir>/dev/COM1.
class PtyConverter {
public:
    explicit PtyConverter(const QString& linkPath) {
        int slave = -1;
        char name[256] = {};
        if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0) return;
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        ::close(slave);
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        QFile::remove(linkPath);
        m_linked = QFile::link(QString::fromLocal8Bit(name), linkPath);
    }
    ~PtyConverter() { closeMaster(); }
    bool ok() const { return m_master >= 0 && m_linked; }
    void closeMaster() {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }
    QByteArray readAll() {
        QByteArray out;
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, n);
        }
        return out;
    }
    bool write(const QByteArray& bytes) {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

private:
    int m_master = -1;
    bool m_linked = false;
};

} // namespace vatrel::testing
