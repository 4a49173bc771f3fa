// SPDX-License-Identifier: GPL-3.0-or-later
// The rules every serial line keeps, run against the tests' in-memory line and against the real
// port on a pseudo-terminal, so that what the engine tests rely on is what the device does.
#include "PtyConverter.h"
#include "common/FakeSerialPort.h"
#include "link/QtSerialPortLine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

// A line and its far end: the converter sends, reads what reached it, is unplugged and plugged in.
// The in-memory line's far end is kept in step either way; only the chosen port is tried.
class Line {
public:
    explicit Line(bool pty) : m_pty(pty) {
        QDir(m_dir.path()).mkpath(QStringLiteral("dev"));
        plugIn();
    }
    QString dir() const { return m_dir.path(); }
    SerialPort& port() { return m_pty ? static_cast<SerialPort&>(m_real) : m_fake; }
    void send(const QByteArray& bytes) {
        m_fake.incoming += bytes;
        QVERIFY(m_conv->write(bytes));
    }
    QByteArray received() {
        const QByteArray fromFake = std::exchange(m_fake.written, QByteArray());
        return m_pty ? m_conv->readAll() : fromFake;
    }
    void unplug() {
        m_fake.vanish();
        m_fake.openSucceeds = false;
        m_conv->closeMaster();
    }
    void plugIn() {
        m_fake.openSucceeds = true;
        m_conv = std::make_unique<PtyConverter>(m_dir.path() + QStringLiteral("/dev/COM1"));
        QVERIFY(m_conv->ok());
    }

private:
    bool m_pty;
    QTemporaryDir m_dir;
    FakePort m_fake;
    QtSerialPortLine m_real;
    std::unique_ptr<PtyConverter> m_conv;
};

// Bytes cross a pseudo-terminal through the kernel's buffers, a little after they were written.
void letBytesCross() { QThread::msleep(20); }

} // namespace

class TestSerialPortContract : public QObject {
    Q_OBJECT

    std::unique_ptr<Line> m_line;
    SerialPort& port() { return m_line->port(); }

    // What reached the converter within a generous limit, once `size` bytes came.
    QByteArray receivedBytes(qsizetype size) {
        QByteArray got;
        for (QDeadlineTimer limit(2000); got.size() < size && !limit.hasExpired(); QThread::msleep(1))
            got += m_line->received();
        return got;
    }

private slots:
    void initTestCase_data() {
        QTest::addColumn<bool>("pty");
        QTest::newRow("in-memory line") << false;
        QTest::newRow("pseudo-terminal") << true;
    }
    void init() {
        QFETCH_GLOBAL(bool, pty);
        m_line = std::make_unique<Line>(pty);
        QVERIFY(port().open(1, m_line->dir()));
    }
    void cleanup() { m_line.reset(); }

    void opensClosesAndReopens() {
        QVERIFY(port().isOpen());
        port().close();
        QVERIFY(!port().isOpen());
        QVERIFY(port().open(1, m_line->dir()));
        QVERIFY(port().isOpen());
        QVERIFY(port().open(1, m_line->dir())); // open again while open
        QVERIFY(port().isOpen());
        port().close();
        m_line->unplug();
        QVERIFY(!port().open(1, m_line->dir()));
        QVERIFY(!port().isOpen());
        QVERIFY(!port().takeFailure()); // a device that cannot be opened is no failure of an open port
    }

    void writesOneByteEachAndHandsItOverAtOnce() {
        for (const char byte : QByteArray(":0141BE\r\n")) {
            QVERIFY(port().writeByte(byte));
            QCOMPARE(receivedBytes(1), QByteArray(1, byte));
        }
        QCOMPARE(port().readAvailable(), QByteArray()); // nothing echoed back
    }

    void readsWhatArrivedWithoutWaiting() {
        QElapsedTimer quiet;
        quiet.start();
        for (int i = 0; i < 20; ++i)
            QCOMPARE(port().readAvailable(), QByteArray());
        QVERIFY2(quiet.elapsed() < 500, "a read on a quiet line waited");
        m_line->send(":0141");
        m_line->send("BE\r\n~");
        letBytesCross();
        QCOMPARE(port().readAvailable(), QByteArray(":0141BE\r\n~"));
        QCOMPARE(port().readAvailable(), QByteArray());
        QVERIFY(port().isOpen());
        QVERIFY(!port().takeFailure());
    }

    void vanishedDeviceFailsWritesAndClosesThePortOnce() {
        m_line->unplug();
        QVERIFY(!port().writeByte(':'));
        QCOMPARE(port().readAvailable(), QByteArray());
        QVERIFY(!port().isOpen());
        QVERIFY(port().takeFailure());
        QVERIFY(!port().takeFailure());
        QCOMPARE(port().readAvailable(), QByteArray());
        QVERIFY(!port().takeFailure());
        // Back again: the reopened port works and carries no old failure.
        m_line->plugIn();
        QVERIFY(port().open(1, m_line->dir()));
        QVERIFY(!port().takeFailure());
        QVERIFY(port().writeByte(':'));
        QCOMPARE(receivedBytes(1), QByteArray(":"));
    }

    void closedPortNeitherReadsNorWrites() {
        port().close();
        QVERIFY(!port().takeFailure()); // closed by the program: no failure
        m_line->send(":0141BE\r\n");
        letBytesCross();
        QCOMPARE(port().readAvailable(), QByteArray());
        QVERIFY(!port().writeByte(':'));
        letBytesCross();
        QCOMPARE(m_line->received(), QByteArray());
        QVERIFY(!port().isOpen());
        QVERIFY(!port().takeFailure());
    }
};

QTEST_GUILESS_MAIN(TestSerialPortContract)
#include "tst_serialportcontract.moc"
