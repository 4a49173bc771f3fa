// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/QtSerialPortLine.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace vatrel {

QtSerialPortLine::QtSerialPortLine() {
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError e) {
        // A vanished device keeps its descriptor readable with an error forever; without closing it
        // here the event loop would spin on the same error.
        if ((e == QSerialPort::ReadError || e == QSerialPort::ResourceError) && m_port.isOpen()) {
            m_port.close();
            m_failed = true;
        }
    });
}

QtSerialPortLine::~QtSerialPortLine() { close(); }

QString QtSerialPortLine::devicePath(int n, const QString& dataDir) {
    const QString own = dataDir + QStringLiteral("/dev/COM") + QString::number(n);
    const QFileInfo fi(own);
    // A dangling link still names the chosen device: failing on it beats opening some other port.
    if (fi.exists() || fi.isSymLink()) return own;
    return QStringLiteral("/dev/ttyS") + QString::number(n - 1);
}

bool QtSerialPortLine::open(int n, const QString& dataDir) {
    close();
    m_failed = false;
    m_port.setPortName(devicePath(n, dataDir));
    m_port.setBaudRate(QSerialPort::Baud115200);
    m_port.setDataBits(QSerialPort::Data7);
    m_port.setParity(QSerialPort::OddParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) return false;
    // QSerialPort sends and expects the parity bit but switches input parity checking off. The line
    // is meant to check it: a byte that arrives with bad parity is read as NUL, so the frame it
    // belongs to fails the frame check and counts as a checksum error instead of passing on a
    // corrupted character. A failure here leaves the driver's settings, as with the others.
    termios tio{};
    if (::tcgetattr(m_port.handle(), &tio) == 0) {
        tio.c_iflag |= INPCK;
        tio.c_iflag &= ~tcflag_t(IGNPAR | PARMRK);
        ::tcsetattr(m_port.handle(), TCSANOW, &tio);
    }
    // Reads must never wait (readAvailable() reads the descriptor itself); QSerialPort opens it so,
    // and this keeps it so.
    if (const int flags = ::fcntl(m_port.handle(), F_GETFL); flags >= 0 && !(flags & O_NONBLOCK))
        ::fcntl(m_port.handle(), F_SETFL, flags | O_NONBLOCK);
    m_port.clearError();
    quietReadWatch();
    return true;
}

void QtSerialPortLine::quietReadWatch() {
    // QSerialPort watches the descriptor and reads whatever arrives into its own buffer at once. On a
    // full line that wakes the console a couple of hundred times a second for bytes the receive pass
    // takes only every 10 ms anyway; the pass reads the driver itself (readAvailable()), so the watch
    // stays off. If a later Qt keeps it elsewhere, nothing is found and the port works as before.
    for (QSocketNotifier* n : m_port.findChildren<QSocketNotifier*>())
        if (n->type() == QSocketNotifier::Read && n->isEnabled()) n->setEnabled(false);
}

void QtSerialPortLine::close() {
    if (m_port.isOpen()) m_port.close();
}

bool QtSerialPortLine::takeFailure() { return std::exchange(m_failed, false); }

bool QtSerialPortLine::isOpen() const { return m_port.isOpen(); }

QByteArray QtSerialPortLine::readAvailable() {
    if (!m_port.isOpen()) return {};
    QByteArray data;
    // Bytes QSerialPort took in itself while a write waited for the line come first. Taking them
    // switches its read watch back on, so it goes off again.
    if (const qint64 held = m_port.bytesAvailable(); held > 0) {
        data = m_port.read(held);
        quietReadWatch();
    }
    // Then the driver, directly and without waiting: a busy line costs one read a pass.
    const int fd = int(m_port.handle());
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            data.append(chunk, qsizetype(n));
            if (size_t(n) < sizeof chunk) break;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // A line set not to wait answers an empty read when nothing came; a device that went away
        // answers one too (a hung-up line) or fails (EIO from a pseudo-terminal whose other end
        // closed). Only the first is fine: the driver reports the others as a hang-up or an error.
        if (n == 0) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0 || !(p.revents & (POLLHUP | POLLERR | POLLNVAL))) break;
        }
        // As with QSerialPort's own read errors: closed at once, so the device is not polled again
        // until the port is reopened.
        m_port.close();
        m_failed = true;
        break;
    }
    return data;
}

bool QtSerialPortLine::writeByte(char byte) {
    if (!m_port.isOpen()) return false;
    if (m_port.write(&byte, 1) != 1) return false;
    // One byte per call, handed to the driver before returning, as the protocol writes frames.
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(100)) return false;
    }
    // Bytes that came in meanwhile wait in the port's buffer for the next receive pass.
    quietReadWatch();
    return m_port.isOpen();
}

} // namespace vatrel
