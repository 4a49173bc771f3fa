// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/PtyLink.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace vatrel::sim {

namespace {
// How often a detached line looks for a console: well inside the console's reply wait, so its
// first command after opening the port is answered in time.
constexpr int kWatchMs = 20;
} // namespace

PtyLink::PtyLink(QObject* parent) : QObject(parent) {
    m_watch.setInterval(kWatchMs);
    connect(&m_watch, &QTimer::timeout, this, [this] { lookForConsole(); });
}

PtyLink::~PtyLink() { close(); }

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
    // Raw in both directions: no echo, no line editing, no CR/LF translation. Set on the slave,
    // which keeps its settings for the console that opens it later.
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) return fail(QStringLiteral("open ") + m_slaveName);
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B115200);
        ::cfsetospeed(&tio, B115200);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::close(slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    const QFileInfo link(linkPath);
    QDir().mkpath(link.absolutePath());
    const QByteArray path = QFile::encodeName(link.absoluteFilePath());
    if (link.isSymLink() || link.exists()) {
        if (!link.isSymLink()) {
            errno = EEXIST;
            return fail(QStringLiteral("not a link, left alone: ") + link.absoluteFilePath());
        }
        // Only a pseudo-terminal's link is a simulator's: one to a real adapter (a USB one that is
        // unplugged dangles too) is the site's own set-up.
        if (!link.symLinkTarget().startsWith(QLatin1String("/dev/pts/"))) {
            errno = EEXIST;
            return fail(QStringLiteral("links to ") + link.symLinkTarget() +
                        QStringLiteral(", left alone (use another port): ") + link.absoluteFilePath());
        }
        ::unlink(path.constData()); // a stale link from an earlier run
    }
    if (::symlink(name, path.constData()) != 0)
        return fail(QStringLiteral("symlink ") + link.absoluteFilePath());
    m_linkPath = link.absoluteFilePath();

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { onReadable(); });
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { flush(); });
    m_openEvents = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_openEvents >= 0 && ::inotify_add_watch(m_openEvents, name, IN_OPEN) >= 0) {
        m_openNotifier = new QSocketNotifier(m_openEvents, QSocketNotifier::Read, this);
        connect(m_openNotifier, &QSocketNotifier::activated, this, [this] {
            char events[1024];
            while (::read(m_openEvents, events, sizeof events) > 0) {}
            lookForConsole();
        });
    } else {
        if (m_openEvents >= 0) ::close(m_openEvents);
        m_openEvents = -1;
    }
    lookForConsole(); // someone may have opened the slave already
    if (!m_attached && !m_openNotifier) m_watch.start();
    return true;
}

void PtyLink::close() {
    m_watch.stop();
    m_attached = false;
    delete m_openNotifier;
    m_openNotifier = nullptr;
    if (m_openEvents >= 0) ::close(m_openEvents);
    m_openEvents = -1;
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
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
    m_pending.clear();
}

void PtyLink::lookForConsole() {
    if (m_master < 0 || m_attached) return;
    pollfd p{m_master, 0, 0};
    if (::poll(&p, 1, 0) < 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return;
    m_attached = true;
    m_watch.stop();
    m_readNotifier->setEnabled(true);
    emit attachedChanged(true);
    onReadable(); // what the console wrote before we looked
}

void PtyLink::detach() {
    m_attached = false;
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    m_pending.clear();
    // The terminal keeps what was written to it for whoever opens it next; a real line does not.
    // Drop it, or the next console would take an old reply for the answer to its first command.
    const int slave = ::open(QFile::encodeName(m_slaveName).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave >= 0) {
        ::tcflush(slave, TCIOFLUSH);
        ::close(slave);
    }
    ::tcflush(m_master, TCIFLUSH);
    if (!m_openNotifier) m_watch.start();
    emit attachedChanged(false);
    lookForConsole(); // a console that opened the port again before we got here
}

void PtyLink::onReadable() {
    char buf[4096];
    while (m_attached) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            emit received(QByteArray(buf, qsizetype(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) break; // drained
        detach();                            // EIO: the console closed the port
        break;
    }
}

void PtyLink::write(const QByteArray& bytes) {
    if (m_master < 0 || !m_attached || bytes.isEmpty()) return; // nobody listens: lost, as on a line
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
