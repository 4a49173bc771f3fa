// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: a sensor connected and then disconnected through the real dialogs, against the
// converter simulator on a pseudo-terminal, with the engine's clocks running in real time.
#include "common/RecordingUi.h"
#include "common/SensorCells.h"
#include "core/CoreDoor.h"
#include "dialogs/ConnectSensorDialog.h"
#include "dialogs/DisconnectSensorDialog.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/QtSerialPortLine.h"
#include "registry/Alarms.h"
#include "core/Startup.h"
#include "sim/DemoFolder.h"
#include "sim/Simulator.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace vatrel;
using vatrel::testing::sensorCell;

namespace {

constexpr int kWaitMs = 30000; // generous ceiling for a shared, busy machine; never a measure

// The real line, keeping a copy of everything the converter sent.
class TappedLine : public QtSerialPortLine {
public:
    QByteArray readAvailable() override {
        const QByteArray got = QtSerialPortLine::readAvailable();
        received += got;
        return got;
    }
    QByteArray received;
};

// A status report of sensor 4321 (0x10E1) in slot 12, as the converter frames it.
const QByteArray kReport4321("~0141000C10E1");

} // namespace

class TestE2eSensorSetup : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_dir;
    Console m_c;
    CoreDoor m_door{m_c, CoreDoor::Mode::Inline};
    testing::RecordingUi m_ui;
    TappedLine m_port;
    std::unique_ptr<sim::Simulator> m_sim;
    QTimer m_rv, m_timer1, m_timer2;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        m_dir = m_tmp.path() + QStringLiteral("/demo");
        QString error;
        QVERIFY2(sim::initDemo(m_dir, &error), qPrintable(error));
        sim::Simulator::Options o;
        o.dir = m_dir;
        o.controlPipe = false;
        o.statusPeriodMs = 300;
        m_sim = std::make_unique<sim::Simulator>(o);
        m_sim->setOutput(nullptr);
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));

        m_c.data_dir = m_dir;
        m_c.ui = &m_ui;
        m_c.link.attachPort(&m_port);
        startUp(m_c);
        alarmWindowCreate(m_c.alarms, m_c.data_dir);
        QVERIFY(m_c.converterPort().openPort(m_c.ports.portNumber()));
        m_rv.setTimerType(Qt::PreciseTimer);
        for (auto [timer, ms, tick] :
             {std::tuple{&m_rv, 10, +[](Console& c) { c.receiver().onReceiveTick(); }},
              std::tuple{&m_timer1, 1000, +[](Console& c) { onCommandTick(c.link, c.sensors, c.ui); }},
              std::tuple{&m_timer2, 1000, +[](Console& c) {
                             onClockTick(c.status, c.clock, c.journal, c.eventLog, c.converterPort());
                         }}}) {
            connect(timer, &QTimer::timeout, this, [this, tick] { tick(m_c); });
            timer->start(ms);
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_c.link.mapPosition() == 200 && m_c.link.state() == ConverterState::Up,
                                 kWaitMs);
    }

    void cleanupTestCase() {
        for (QTimer* t : {&m_rv, &m_timer1, &m_timer2})
            t->stop();
        m_c.link.closePort();
        if (m_sim) m_sim->stop();
    }

    void connectedSensorReportsIntoItsNewRow() {
        QVERIFY(!m_c.sensors.record(12).occupied());
        m_c.selection.selectRow(13);
        ConnectSensorDialog d(m_door);
        d.show();
        d.findChild<QLineEdit*>(QStringLiteral("EditNumSen"))->setText(QStringLiteral("4321"));
        d.findChild<QComboBox*>(QStringLiteral("ComboBoxTypeSen"))->setCurrentIndex(1);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("ButtonAccept")), Qt::LeftButton);
        QCOMPARE(sensorCell(m_c, colState, 13), QStringLiteral("Нет связи"));

        const sim::Converter& conv = m_sim->converter();
        QTRY_VERIFY_WITH_TIMEOUT(conv.map()[12].factory_number == 4321, kWaitMs);
        QCOMPARE(conv.map()[12].device_code, quint8(22));
        // The first report fills the row: link up, state and loops normal, measured values shown.
        QTRY_VERIFY_WITH_TIMEOUT(m_c.sensors.record(12).link_up == 1, kWaitMs);
        QVERIFY(m_port.received.contains(kReport4321));
        QCOMPARE(sensorCell(m_c, colState, 13), QStringLiteral("Норма"));
        QCOMPARE(sensorCell(m_c, colLoop1, 13), QStringLiteral("Норма"));
        QCOMPARE(sensorCell(m_c, colType, 13), QStringLiteral("Ватрел-Б"));
        QTRY_VERIFY_WITH_TIMEOUT(sensorCell(m_c, colSignal1, 13).contains(QLatin1Char('.')), kWaitMs);
        QCOMPARE(m_c.link.slotDiagnostics(12).link, SlotLink::Up);
    }

    void disconnectedSensorIsNoLongerReported() {
        m_c.selection.selectRow(13);
        DisconnectSensorDialog d(m_door);
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("ButtonAccept")), Qt::LeftButton);
        QVERIFY(!m_c.sensors.record(12).occupied());

        const sim::Converter& conv = m_sim->converter();
        QTRY_VERIFY_WITH_TIMEOUT(conv.map()[12].factory_number == 0 && m_c.link.queue().count == 0, kWaitMs);
        QCOMPARE(conv.map()[12].device_code, quint8(0));
        // A report already on the line may still come in; after that, several report rounds of
        // the other sensors pass without one for 4321.
        QTest::qWait(400);
        m_port.received.clear();
        QTRY_VERIFY_WITH_TIMEOUT(m_port.received.count("~0141000B") >= 3, kWaitMs); // sensor 1012 in slot 11
        QVERIFY(!m_port.received.contains(kReport4321));
        QVERIFY(sensorCell(m_c, colAddress, 13).isEmpty());
    }
};

QTEST_MAIN(TestE2eSensorSetup)
#include "tst_e2e_sensorsetup.moc"
