// SPDX-License-Identifier: GPL-3.0-or-later
// The real serial line on a pseudo-terminal: settings, device paths, bytes in both directions,
// and a device that vanishes and comes back.
#include "LinkTestSupport.h"
#include "PtyConverter.h"
#include "core/OperatorActions.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/Frame.h"
#include "link/QtSerialPortLine.h"
#include "registry/Storage.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTest>
#include <QThread>
#include <termios.h>

using namespace vatrel;
using namespace vatrel::testing;

class TestSerialLine : public QObject {
    Q_OBJECT

    // Runs receive passes (and the event loop between them, as the window's timer does) until
    // `done` holds or a generous limit passes; the limit only guards against hanging.
    static bool passUntil(Console& c, const std::function<bool()>& done) {
        QDeadlineTimer limit(5000);
        while (!done()) {
            if (limit.hasExpired()) return false;
            QCoreApplication::processEvents();
            c.receiver().receivePass();
            QThread::msleep(1);
        }
        return true;
    }

private slots:
    void devicePaths() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("dev")));
        QCOMPARE(QtSerialPortLine::devicePath(12, dir.path()), QStringLiteral("/dev/ttyS11"));
        QCOMPARE(QtSerialPortLine::devicePath(1, dir.path()), QStringLiteral("/dev/ttyS0"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.path() + QStringLiteral("/dev/COM12")));
        QCOMPARE(QtSerialPortLine::devicePath(12, dir.path()), dir.path() + QStringLiteral("/dev/COM12"));
        // A dangling link still names the chosen device.
        QVERIFY(
            QFile::link(dir.path() + QStringLiteral("/nowhere"), dir.path() + QStringLiteral("/dev/COM3")));
        QCOMPARE(QtSerialPortLine::devicePath(3, dir.path()), dir.path() + QStringLiteral("/dev/COM3"));
    }

    void lineSettingsAndTraffic() {
        LinkFixture f;
        QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("dev")));
        PtyConverter conv(f.dir.path() + QStringLiteral("/dev/COM1"));
        QVERIFY(conv.ok());

        QtSerialPortLine line;
        Console& c = f.c;
        c.link.attachPort(&line);
        c.converterPort().openStartupPort();
        QCOMPARE(c.status.panel(2), QStringLiteral("COM1 включён"));
        const QSerialPort& sp = line.serialPort();
        QCOMPARE(sp.portName(), f.dir.path() + QStringLiteral("/dev/COM1"));
        QCOMPARE(sp.baudRate(), 115200);
        QCOMPARE(sp.dataBits(), QSerialPort::Data7);
        QCOMPARE(sp.parity(), QSerialPort::OddParity);
        QCOMPARE(sp.stopBits(), QSerialPort::OneStop);
        QCOMPARE(sp.flowControl(), QSerialPort::NoFlowControl);
        // Input parity checking on, bytes with bad parity neither dropped nor escaped.
        termios tio{};
        QCOMPARE(tcgetattr(sp.handle(), &tio), 0);
        QVERIFY(tio.c_iflag & INPCK);
        QVERIFY(!(tio.c_iflag & IGNPAR));
        QVERIFY(!(tio.c_iflag & PARMRK));

        // The poll leaves byte-exact.
        c.link.enqueue(c.ui, frame::poll());
        QByteArray got;
        QVERIFY(passUntil(c, [&] {
            got += conv.readAll();
            return got.size() >= 9;
        }));
        QCOMPARE(got, QByteArray(":0141BE\r\n"));
        QCOMPARE(c.link.queue().count, 1);

        // The converter's reply confirms the head and brings the link up.
        QVERIFY(conv.write(":0141BE\r\n"));
        QVERIFY(passUntil(c, [&] { return c.link.queue().count == 0; }));
        QCOMPARE(c.link.state(), ConverterState::Up);
        QCOMPARE(f.ui.linkRestored, 1);
        QCOMPARE(c.link.counters().N_rv_byte.shown, 9);
        QCOMPARE(c.link.counters().N_rv_frame.shown, 1);

        // Bytes arriving between passes wake nothing: the port's read watch stays off after reads
        // and writes, and the bytes wait for the next pass, also when they came during a write.
        const auto readWatches = [&] {
            int on = 0;
            for (const QSocketNotifier* n : sp.findChildren<QSocketNotifier*>())
                on += n->type() == QSocketNotifier::Read && n->isEnabled();
            return on;
        };
        QCOMPARE(readWatches(), 0);
        QVERIFY(conv.write(":0141BE\r\n"));
        QThread::msleep(20);
        QVERIFY(line.writeByte(':'));
        QCOMPARE(readWatches(), 0);
        QVERIFY(conv.write("~")); // after the bytes the write may have taken in: read after them
        QThread::msleep(20);
        QCoreApplication::processEvents();
        QCOMPARE(line.readAvailable(), QByteArray(":0141BE\r\n~"));
        QCOMPARE(readWatches(), 0);
    }

    void connectedSensorReachesTheConverterByteExact() {
        LinkFixture f;
        for (const char* sub : {"dev", "data", "VatrelB", "VatrelB_mess"})
            QVERIFY(QDir(f.dir.path()).mkpath(QString::fromLatin1(sub)));
        f.write(QStringLiteral("data/chop.dat"), QByteArray("\x01\x00Ivanov", 8) + QByteArray(32, '\0'));
        PtyConverter conv(f.dir.path() + QStringLiteral("/dev/COM1"));
        QVERIFY(conv.ok());
        QtSerialPortLine line;
        Console& c = f.c;
        c.link.attachPort(&line);
        c.converterPort().openStartupPort();
        c.operators.load(c.data_dir, c.ui);
        c.selection.selectRow(7);
        QVERIFY(c.actions().connectSensor({QStringLiteral("1234"), 1, 0}));
        QByteArray got;
        QVERIFY(passUntil(c, [&] {
            got += conv.readAll();
            return got.endsWith('\n');
        }));
        QCOMPARE(got, QByteArray(":0143000604D20016CE\r\n"));
    }

    void vanishedDeviceIsReopenedByTheWatchdog() {
        LinkFixture f;
        QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("dev")));
        const QString linkPath = f.dir.path() + QStringLiteral("/dev/COM1");
        auto conv = std::make_unique<PtyConverter>(linkPath);
        QVERIFY(conv->ok());

        QtSerialPortLine line;
        Console& c = f.c;
        c.link.attachPort(&line);
        c.sensors.setAddressEntry(0, {22, 1001});
        c.converterPort().openStartupPort();
        QVERIFY(line.isOpen());

        // Link up with the map under way.
        onCommandTick(c.link, c.sensors, c.ui);
        QByteArray got;
        QVERIFY(passUntil(c, [&] {
            got += conv->readAll();
            return got.endsWith("\r\n");
        }));
        QCOMPARE(got, QByteArray(":0142000103E90016BD\r\n"));
        QVERIFY(conv->write(reply({0x0142, 1})));
        QVERIFY(passUntil(c, [&] { return c.link.state() == ConverterState::Up; }));
        QCOMPARE(c.link.mapPosition(), quint16(2));

        // The device goes away: the port closes at once and the link is lost.
        conv->closeMaster();
        QVERIFY(passUntil(c, [&] { return !line.isOpen(); }));
        QCOMPARE(f.ui.linkLost, 1);
        QCOMPARE(c.link.state(), ConverterState::Lost);
        QVERIFY(!line.takeFailure()); // taken by the pass that found it
        for (int i = 0; i < 200; ++i) {
            QCoreApplication::processEvents();
            c.receiver().receivePass();
        }
        // Closed for good: no further failure, no second notice, no reads.
        QVERIFY(!line.isOpen());
        QVERIFY(!line.takeFailure());
        QCOMPARE(f.ui.linkLost, 1);
        QCOMPARE(line.readAvailable(), QByteArray());

        // A new device behind the same name; the watchdog's fourth tick reopens it.
        conv = std::make_unique<PtyConverter>(linkPath);
        QVERIFY(conv->ok());
        for (int i = 0; i < 4; ++i)
            onClockTick(c.status, c.clock, c.journal, c.eventLog, c.converterPort());
        QVERIFY(line.isOpen());
        QCOMPARE(c.link.state(), ConverterState::Lost);

        // A fresh map transfer from index 1 brings the link back.
        onCommandTick(c.link, c.sensors, c.ui);
        got.clear();
        QVERIFY(passUntil(c, [&] {
            got += conv->readAll();
            return got.endsWith("\r\n");
        }));
        QCOMPARE(got, QByteArray(":0142000103E90016BD\r\n"));
        QVERIFY(conv->write(reply({0x0142, 1})));
        QVERIFY(passUntil(c, [&] { return c.link.state() == ConverterState::Up; }));
        QCOMPARE(f.ui.linkRestored, 2);
        QCOMPARE(f.ui.linkLost, 1);
        QVERIFY(c.status.waitPanelShown());
        QCOMPARE(c.link.mapPosition(), quint16(2));
    }
};

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_serialline.moc"
