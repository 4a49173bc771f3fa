#include "link/QtSerialPortLine.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <termios.h>
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

QtSerialPortLine::~QtSerialPortLine() {
    close();
}

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
    m_port.clearError();
    quietReadWatch();
    return true;
}

void QtSerialPortLine::quietReadWatch() {
    // QSerialPort watches the descriptor and reads whatever arrives into its own buffer at once. On a
    // full line that wakes the console a couple of hundred times a second for bytes the receive pass
    // takes only every 10 ms anyway; the pass asks the driver itself (readAvailable()), so the watch
    // stays off. If a later Qt keeps it elsewhere, nothing is found and the port works as before.
    for (QSocketNotifier* n : m_port.findChildren<QSocketNotifier*>())
        if (n->type() == QSocketNotifier::Read && n->isEnabled()) n->setEnabled(false);
}

void QtSerialPortLine::close() {
    if (m_port.isOpen()) m_port.close();
}

bool QtSerialPortLine::takeFailure() {
    return std::exchange(m_failed, false);
}

bool QtSerialPortLine::isOpen() const {
    return m_port.isOpen();
}

QByteArray QtSerialPortLine::readAvailable() {
    if (!m_port.isOpen()) return {};
    // Take up whatever the driver holds now, even when no event loop turned since the last pass;
    // a zero time-out never blocks. Its time-out "error" means only that the line was idle.
    if (!m_port.waitForReadyRead(0) && m_port.isOpen() && m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError();
    if (!m_port.isOpen()) return {};
    // Exactly what the port's buffer holds: asking for more would make QSerialPort switch its read
    // watch back on.
    const qint64 held = m_port.bytesAvailable();
    QByteArray data = held > 0 ? m_port.read(held) : QByteArray();
    quietReadWatch();
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
