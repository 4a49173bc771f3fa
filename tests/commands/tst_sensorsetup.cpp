// SPDX-License-Identifier: GPL-3.0-or-later
// Connect and disconnect stopped by kill -9 after any of their writes: the next start-up must show a
// table that agrees with the files, and the log, without error boxes.
#include "common/ConsoleFixture.h"
#include "common/DataFiles.h"
#include "common/EventLogFile.h"
#include "core/OperatorActions.h"
#include "core/Startup.h"
#include "registry/Storage.h"

#include <QTest>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

using Operation = std::function<void(Console&, const std::function<void()>& afterWrite)>;

// Starts the program's core on `dir` in a child process, selects `row`, runs `op` and kills the
// child with SIGKILL after its `step`-th write. True when the child died there.
bool crashAfterWrite(const QString& dir, int row, const Operation& op, int step = 1) {
    const pid_t pid = fork();
    if (pid == 0) {
        auto c = std::make_unique<Console>(); // no windows: the child has no test to fail
        c->data_dir = dir;
        startUp(*c);
        c->selection.selectRow(row);
        int writes = 0;
        op(*c, [&writes, step] {
            if (++writes == step) ::kill(::getpid(), SIGKILL);
        });
        ::_exit(3); // the operation never reached that write
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

void connect1234(Console& c, const std::function<void()>& afterWrite) {
    c.actions().connectSensor({QStringLiteral("1234"), 1, 0}, afterWrite);
}
void disconnectByOperator0(Console& c, const std::function<void()>& afterWrite) {
    c.actions().disconnectSensor(0, afterWrite);
}

// The codes of the events the daily logs hold for `number`, in order.
QList<int> loggedCodes(const QString& dir, quint32 number) {
    QList<int> codes;
    const QDir reports(dir + QStringLiteral("/QReport"));
    for (const QString& name : reports.entryList(QDir::Files, QDir::Name))
        for (const LoggedEvent& e : readEventFile(reports.filePath(name)))
            if (e.factory_number == number) codes << e.code;
    return codes;
}

} // namespace

class TestSensorSetup : public QObject {
    Q_OBJECT

    std::unique_ptr<ConsoleFixture> m_f;
    Console& c() { return m_f->c; }
    OperatorActions actions() { return c().actions(); }

    void startWith(const QList<SensorSpec>& sensors, const QByteArray& extraSettings = {}) {
        m_f->write("data/chop.dat", QByteArray("\x01\x00Ivanov", 8) + QByteArray(32, '\0'));
        m_f->write("data/hw.dat", hwFile(sensors));
        for (const SensorSpec& s : sensors)
            m_f->write(QStringLiteral("VatrelA/") + QString::number(s.number), settingsRecord(s));
        if (!extraSettings.isEmpty()) m_f->write("VatrelB/1234", extraSettings);
    }

private slots:
    void init() { m_f = std::make_unique<ConsoleFixture>(); }
    void cleanup() { m_f.reset(); }

    void connectCrashLeavesTheSlotEmpty_data() {
        QTest::addColumn<bool>("connectedBefore");
        QTest::newRow("new number") << false;
        // The number had been connected and disconnected before: its file ends with that old
        // record, loops armed. Loaded as the slot's state it would bring back an armed sensor.
        QTest::newRow("number with history") << true;
    }
    void connectCrashLeavesTheSlotEmpty() {
        QFETCH(bool, connectedBefore);
        QByteArray old;
        if (connectedBefore) {
            old = settingsRecord({9, 1234, 1, 1, 1});
            put16(old, 40, 0); // disconnected by operator 0
        }
        startWith({{0, 77, 0}}, old);
        QVERIFY(crashAfterWrite(m_f->dir.path(), 7, connect1234));    // between the settings file and hw.dat
        QCOMPARE(m_f->read("VatrelB/1234").size(), old.size() + 232); // the new record got written

        startUp(c()); // any error box fails the test
        QVERIFY(!c().sensors.record(6).occupied());
        QCOMPARE(sensorCell(c(), colAddress, 7), QString());
        QCOMPARE(c().status.sensorCount(), 1);
        QCOMPARE(c().sensors.addressEntry(6).factory_number, quint16(0));
        // Connecting again works as on a fresh slot.
        c().selection.selectRow(7);
        QVERIFY(actions().connectSensor({QStringLiteral("1234"), 1, 0}));
        QCOMPARE(m_f->read("data/hw.dat").mid(36, 4), QByteArray("\xD2\x04\x00\x00", 4));
    }

    void disconnectCrashKeepsTheSensorConnected() {
        startWith({{0, 77, 0}, {2, 78, 0, 1, 0}});
        QVERIFY(crashAfterWrite(m_f->dir.path(), 3, disconnectByOperator0));
        startUp(c());
        // hw.dat still names the sensor and the converter never heard of a disconnection: the row
        // shows it as it was, and a second attempt completes the disconnection.
        const SensorRecord& s = c().sensors.record(2);
        QCOMPARE(s.factory_number, 78u);
        QCOMPARE(s.loop1_armed, quint8(1));
        QCOMPARE(sensorCell(c(), colAddress, 3), QStringLiteral("78"));
        QCOMPARE(c().status.sensorCount(), 2);
        QCOMPARE(c().sensors.addressEntry(2).factory_number, quint16(78));
        c().selection.selectRow(3);
        QVERIFY(actions().disconnectSensor(0));
        QCOMPARE(m_f->read("VatrelA/78").size(), 232);
        QCOMPARE(m_f->read("data/hw.dat").mid(12, 6), QByteArray(6, '\0'));
    }

    void killedAfterEveryWrite_data() {
        // Connect writes the settings record, hw.dat, the events "подключён" and "нет связи";
        // disconnect writes the stamp, hw.dat and the event "отключён". After a kill at any of them
        // a logged change is in both files, and a sensor in the table has an unstamped record.
        QTest::addColumn<bool>("connecting");
        QTest::addColumn<int>("step");
        QTest::addColumn<QList<int>>("logged");
        QTest::addColumn<bool>("inTable");
        for (int step = 1; step <= 4; ++step)
            QTest::addRow("connect %d", step)
                << true << step << QList<int>{30, 15}.first(qMax(0, step - 2)) << (step >= 2);
        for (int step = 1; step <= 3; ++step)
            QTest::addRow("disconnect %d", step)
                << false << step << (step == 3 ? QList<int>{31} : QList<int>{}) << (step == 1);
    }
    void killedAfterEveryWrite() {
        QFETCH(bool, connecting);
        QFETCH(int, step);
        QFETCH(QList<int>, logged);
        QFETCH(bool, inTable);
        const quint32 number = connecting ? 1234 : 78;
        const int slot = connecting ? 6 : 2;
        const QString settings = connecting ? QStringLiteral("VatrelB/1234") : QStringLiteral("VatrelA/78");
        startWith({{0, 77, 0}, {2, 78, 0, 1, 0}});
        QVERIFY(crashAfterWrite(m_f->dir.path(), slot + 1, connecting ? connect1234 : disconnectByOperator0,
                                step));
        QCOMPARE(loggedCodes(m_f->dir.path(), number), logged);
        startUp(c()); // any error box fails the test
        QCOMPARE(c().sensors.record(slot).factory_number == number, inTable);
        QCOMPARE(m_f->read(settings).size(), 232);
        SensorRecord stored;
        stored.decode(m_f->read(settings));
        QCOMPARE(stored.disconnected_at != 0, !connecting && !inTable);
        if (inTable) QCOMPARE(c().sensors.record(slot).disconnected_at, 0.0);
    }
};

QTEST_GUILESS_MAIN(TestSensorSetup)
#include "tst_sensorsetup.moc"
