// Connect and disconnect stopped by kill -9 between the settings-file write and the hardware-file
// save: the next start-up must show a table that agrees with the files, without error boxes.
#include "common/ConsoleFixture.h"
#include "common/DataFiles.h"
#include "link/SensorSetup.h"
#include "registry/Startup.h"
#include "registry/Storage.h"

#include <QTest>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

using Operation = std::function<void(Console&, const std::function<void()>& betweenSaves)>;

// Starts the program's core on `dir` in a child process, selects `row`, runs `op` and kills the
// child with SIGKILL at the point between the two saves. True when the child died there.
bool crashBetweenSaves(const QString& dir, int row, const Operation& op) {
    const pid_t pid = fork();
    if (pid == 0) {
        auto c = std::make_unique<Console>(); // no windows: the child has no test to fail
        c->data_dir = dir;
        init_globals(*c);
        c->selected_row = row;
        op(*c, [] { ::kill(::getpid(), SIGKILL); });
        ::_exit(3); // the operation never reached the point between the saves
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

class TestSensorSetup : public QObject {
    Q_OBJECT

    std::unique_ptr<ConsoleFixture> m_f;
    Console& c() { return m_f->c; }

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
        QVERIFY(crashBetweenSaves(m_f->dir.path(), 7, [](Console& c, const std::function<void()>& hook) {
            connectSensor(c, {QStringLiteral("1234"), 1, 0}, hook);
        }));
        QCOMPARE(m_f->read("VatrelB/1234").size(), old.size() + 232); // the new record got written

        init_globals(c()); // any error box fails the test
        QVERIFY(!c().sensors[6].occupied());
        QCOMPARE(c().sensor_grid.at(colAddress, 7), QString());
        QCOMPARE(c().Label8, QStringLiteral("Всего датчиков = 1   "));
        QCOMPARE(c().KartaAdress[6].factory_number, quint16(0));
        // Connecting again works as on a fresh slot.
        c().selected_row = 7;
        QVERIFY(connectSensor(c(), {QStringLiteral("1234"), 1, 0}));
        QCOMPARE(m_f->read("data/hw.dat").mid(36, 4), QByteArray("\xD2\x04\x00\x00", 4));
    }

    void disconnectCrashKeepsTheSensorConnected() {
        startWith({{0, 77, 0}, {2, 78, 0, 1, 0}});
        QVERIFY(crashBetweenSaves(m_f->dir.path(), 3, [](Console& c, const std::function<void()>& hook) {
            disconnectSensor(c, 0, hook);
        }));
        init_globals(c());
        // hw.dat still names the sensor and the converter never heard of a disconnection: the row
        // shows it as it was, and a second attempt completes the disconnection.
        const SensorRecord& s = c().sensors[2];
        QCOMPARE(s.factory_number, 78u);
        QCOMPARE(s.loop1_armed, quint8(1));
        QCOMPARE(c().sensor_grid.at(colAddress, 3), QStringLiteral("78"));
        QCOMPARE(c().Label8, QStringLiteral("Всего датчиков = 2   "));
        QCOMPARE(c().KartaAdress[2].factory_number, quint16(78));
        c().selected_row = 3;
        QVERIFY(disconnectSensor(c(), 0));
        QCOMPARE(m_f->read("VatrelA/78").size(), 232);
        QCOMPARE(m_f->read("data/hw.dat").mid(12, 6), QByteArray(6, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestSensorSetup)
#include "tst_sensorsetup.moc"
