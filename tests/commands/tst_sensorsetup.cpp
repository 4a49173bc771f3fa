// Connect and disconnect stopped by kill -9 after any of their writes: the next start-up must show a
// table that agrees with the files, and the log, without error boxes.
#include "common/ConsoleFixture.h"
#include "common/DataFiles.h"
#include "common/EventLogFile.h"
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

using Operation = std::function<void(Console&, const std::function<void()>& afterWrite)>;

// Starts the program's core on `dir` in a child process, selects `row`, runs `op` and kills the
// child with SIGKILL after its `step`-th write. True when the child died there.
bool crashAfterWrite(const QString& dir, int row, const Operation& op, int step) {
    const pid_t pid = fork();
    if (pid == 0) {
        auto c = std::make_unique<Console>(); // no windows: the child has no test to fail
        c->data_dir = dir;
        init_globals(*c);
        c->selected_row = row;
        int writes = 0;
        op(*c, [&writes, step] {
            if (++writes == step) ::kill(::getpid(), SIGKILL);
        });
        ::_exit(3); // the operation never reached that write
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
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

// The last whole record of a settings file, decoded.
SensorRecord lastSettings(const QString& path) {
    const QByteArray bytes = readFile(path);
    SensorRecord r;
    if (bytes.size() >= 232) r.decode(bytes.mid((bytes.size() / 232 - 1) * 232, 232));
    return r;
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
        QVERIFY(crashAfterWrite(
            m_f->dir.path(), 7,
            [](Console& c, const std::function<void()>& hook) {
                connectSensor(c, {QStringLiteral("1234"), 1, 0}, hook);
            },
            1));                                                      // between the settings file and hw.dat
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
        QVERIFY(crashAfterWrite(
            m_f->dir.path(), 3,
            [](Console& c, const std::function<void()>& hook) { disconnectSensor(c, 0, hook); }, 1));
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

    void connectKilledAfterEveryWrite() {
        // Settings record, hw.dat, event "подключён", event "нет связи": a logged connection is
        // always in both files, and a sensor in the table always has its record.
        for (int step = 1; step <= 4; ++step) {
            m_f = std::make_unique<ConsoleFixture>();
            startWith({{0, 77, 0}});
            QVERIFY(crashAfterWrite(
                m_f->dir.path(), 7,
                [](Console& c, const std::function<void()>& hook) {
                    connectSensor(c, {QStringLiteral("1234"), 1, 0}, hook);
                },
                step));
            const QList<int> logged = loggedCodes(m_f->dir.path(), 1234);
            QCOMPARE(logged, (QList<int>{30, 15}).first(qMax(0, step - 2)));
            init_globals(c()); // any error box fails the test
            const bool inTable = c().sensors[6].factory_number == 1234;
            QCOMPARE(inTable, step >= 2);
            QCOMPARE(m_f->read("VatrelB/1234").size(), 232);
            QCOMPARE(lastSettings(m_f->file("VatrelB/1234")).disconnected_at, 0.0);
        }
    }

    void disconnectKilledAfterEveryWrite() {
        // Stamp, hw.dat, event "отключён": a logged disconnection is in both files, and a sensor
        // left in the table never carries a disconnection stamp.
        for (int step = 1; step <= 3; ++step) {
            m_f = std::make_unique<ConsoleFixture>();
            startWith({{0, 77, 0}, {2, 78, 0, 1, 0}});
            QVERIFY(crashAfterWrite(
                m_f->dir.path(), 3,
                [](Console& c, const std::function<void()>& hook) { disconnectSensor(c, 0, hook); }, step));
            const bool logged = loggedCodes(m_f->dir.path(), 78) == QList<int>{31};
            QCOMPARE(logged, step == 3);
            init_globals(c());
            const bool inTable = c().sensors[2].factory_number == 78;
            QCOMPARE(inTable, step == 1);
            QCOMPARE(m_f->read("VatrelA/78").size(), 232);
            QCOMPARE(lastSettings(m_f->file("VatrelA/78")).disconnected_at != 0, !inTable);
            if (inTable) QCOMPARE(c().sensors[2].disconnected_at, 0.0);
        }
    }
};

QTEST_GUILESS_MAIN(TestSensorSetup)
#include "tst_sensorsetup.moc"
