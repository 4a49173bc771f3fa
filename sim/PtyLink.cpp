#include "sim/PtyLink.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace vatrel::sim {

PtyLink::PtyLink(QObject* parent) : QObject(parent) {}

PtyLink::~PtyLink() {
    close();
}

bool PtyLink::open(const QString& linkPath) {
    close();
    auto fail = [&](const QString& what) {
        m_error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        close();
        return false;
    };

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) return fail(QStringLiteral("posix_openpt"));
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail(QStringLiteral("grantpt/unlockpt"));
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) return fail(QStringLiteral("ptsname"));
    m_slaveName = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0) return fail(QStringLiteral("open ") + m_slaveName);

    // Raw in both directions: no echo, no line editing, no CR/LF translation.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B115200);
        ::cfsetospeed(&tio, B115200);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    const QFileInfo link(linkPath);
    QDir().mkpath(link.absolutePath());
    const QByteArray path = QFile::encodeName(link.absoluteFilePath());
    if (link.isSymLink() || link.exists()) {
        if (!link.isSymLink()) {
            errno = EEXIST;
            return fail(QStringLiteral("not a link, left alone: ") + link.absoluteFilePath());
        }
        ::unlink(path.constData()); // a stale link from an earlier run
    }
    if (::symlink(name, path.constData()) != 0)
        return fail(QStringLiteral("symlink ") + link.absoluteFilePath());
    m_linkPath = link.absoluteFilePath();

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { onReadable(); });
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { flush(); });
    return true;
}

void PtyLink::close() {
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (!m_linkPath.isEmpty()) {
        // Remove the link only while it is still ours.
        const QFileInfo link(m_linkPath);
        if (link.isSymLink() && link.symLinkTarget() == m_slaveName) QFile::remove(m_linkPath);
        m_linkPath.clear();
    }
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
    m_slave = m_master = -1;
    m_pending.clear();
}

void PtyLink::onReadable() {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            emit received(QByteArray(buf, qsizetype(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break; // EAGAIN: drained
    }
}

void PtyLink::write(const QByteArray& bytes) {
    if (m_master < 0 || bytes.isEmpty()) return;
    m_pending.append(bytes);
    flush();
}

void PtyLink::flush() {
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, qsizetype(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break; // the terminal is full: wait until it drains
    }
    if (m_writeNotifier) m_writeNotifier->setEnabled(!m_pending.isEmpty());
}

} // namespace vatrel::sim
