// SPDX-License-Identifier: GPL-3.0-or-later
// The console as it runs: the core on its own thread behind the door, the converter simulator on a
// pseudo-terminal, the windows offscreen. What the core does must not wait for the window thread.
#include "app/ConsoleWindows.h"
#include "common/SensorCells.h"
#include "app/MainWindow.h"
#include "dialogs/AlarmWindow.h"
#include "link/QtSerialPortLine.h"
#include "registry/EventCatalogue.h"
#include "registry/Records.h"
#include "core/Startup.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>

using namespace vatrel;
using vatrel::testing::sensorCell;

namespace {

const QString kSim = QStringLiteral(VATREL_BUILD_DIR "/sim/vatrel-sim");

// The records of a log file.
QList<EventRecord> records(const QString& path) {
    QFile f(path);
    QList<EventRecord> out;
    if (!f.open(QIODevice::ReadOnly)) return out;
    const QByteArray bytes = f.readAll();
    for (qsizetype at = 0; at + EventRecord::kSize <= bytes.size(); at += EventRecord::kSize) {
        EventRecord r;
        if (r.decode(QByteArrayView(bytes).sliced(at, EventRecord::kSize))) out.append(r);
    }
    return out;
}

int countCode(const QList<EventRecord>& recs, quint32 factory, int code) {
    int n = 0;
    for (const EventRecord& r : recs)
        n += r.factory_number == factory && r.code == code;
    return n;
}

} // namespace

class TestCoreDoor : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_sim;
    Console m_c;
    QtSerialPortLine m_port;
    std::unique_ptr<ConsoleWindows> m_windows;

    QString dayLog() const {
        return m_dir.filePath(QStringLiteral("QReport/") +
                              QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    }
    void simSays(const char* line) {
        m_sim.write(line);
        m_sim.write("\n");
        QVERIFY(m_sim.waitForBytesWritten(2000));
    }

private slots:
    // A snapshot the core took before it had what the operator typed since must not put the old text
    // back into the entry; once the core has it, its snapshots are shown again.
    void typedTextOutlivesAnOlderSnapshot() {
        Console core;
        CoreDoor door(core, CoreDoor::Mode::Threaded);
        QSemaphore published, gate;
        const auto publishOnCore = [&](const QString& text, bool hold) {
            door.post([&, text, hold](Console& c) {
                c.osc.setTyped(OscEntry::Position, text);
                door.publish(viewBit(View::Oscilloscope), {}, false, false);
                published.release();
                if (hold) gate.acquire(); // the core is busy: what the windows share waits
            });
            published.acquire();
        };
        const auto shown = [&] { return door.mirror().osc.text(OscEntry::Position); };

        publishOnCore(QStringLiteral("7"), true);
        door.share([](Console& c) { c.osc.setTyped(OscEntry::Position, QStringLiteral("5")); });
        QCoreApplication::processEvents(); // the snapshot with "7" arrives
        QCOMPARE(shown(), QStringLiteral("5"));
        gate.release();
        QTRY_COMPARE(door.call([](Console& c) { return c.osc.text(OscEntry::Position); }),
                     QStringLiteral("5"));

        publishOnCore(QStringLiteral("8"), false);
        QTRY_COMPARE(shown(), QStringLiteral("8"));
    }

    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QCOMPARE(QProcess::execute(kSim, {QStringLiteral("--init-demo"), m_dir.path()}), 0);
        m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // A test that aborts takes the simulator with it.
        m_sim.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_sim.start(kSim, {QStringLiteral("--dir"), m_dir.path(), QStringLiteral("--no-pipe")});
        QVERIFY(m_sim.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath(QStringLiteral("dev/COM1"))), 5000);
        QDir::setCurrent(m_dir.path());
        m_c.link.attachPort(&m_port);
        m_windows = std::make_unique<ConsoleWindows>(m_c, nullptr, CoreDoor::Mode::Threaded);
        m_windows->setRefreshInterval(100);
        QVERIFY(m_windows->door()->threaded());
        QVERIFY(&m_windows->door()->mirror() != &m_c);
    }

    // The line comes up and the sensors report: the windows learn of it through the mirror.
    void theWindowsShowWhatTheCoreReceives() {
        const Console& shown = m_windows->door()->mirror();
        QTRY_VERIFY_WITH_TIMEOUT(
            !shown.status.waitPanelShown() && sensorCell(shown, colState, 1) == stateText(0), 30000);
        QCOMPARE(sensorCell(shown, colAddress, 1), QStringLiteral("1001"));
        QCOMPARE(sensorCell(shown, colArmed1, 1), QStringLiteral("Взят"));
    }

    // An alarm reaches the log files while the window thread is busy (a long export, a print job), and
    // the alarm window shows it once that thread is free again.
    void alarmIsLoggedWhileTheWindowThreadIsBusy() {
        const int before = countCode(records(dayLog()), 1001, storedCode(loopAlarmCode(1)));
        simSays("alarm 1001 1 on");
        QElapsedTimer busy;
        busy.start();
        int logged = before;
        while (busy.elapsed() < 5000 && logged == before) { // no event of this thread runs meanwhile
            QThread::msleep(20);
            logged = countCode(records(dayLog()), 1001, storedCode(loopAlarmCode(1)));
        }
        QCOMPARE(logged, before + 1);
        QVERIFY(!m_windows->alarmWindow()->isVisible()); // not one event of the window thread ran
        QTRY_VERIFY_WITH_TIMEOUT(m_windows->alarmWindow()->isVisible(), 2000);
        QTRY_COMPARE(m_windows->alarmWindow()->findChild<QLabel*>(QStringLiteral("LabelNumAlarm"))->text(),
                     QStringLiteral("1"));
        simSays("alarm 1001 1 off");
    }

    // An operator's command runs on the core, and the windows show its result as soon as it returns.
    void commandResultIsShownWhenItReturns() {
        AlarmWindow* alarm = m_windows->alarmWindow();
        alarm->findChild<QLineEdit*>(QStringLiteral("LabeledEdit1"))->setText(QStringLiteral("1001"));
        alarm->disarmLoop1OfEnteredSensor();
        QCOMPARE(sensorCell(m_windows->door()->mirror(), colArmed1, 1), QStringLiteral("Снят"));
        QTRY_COMPARE(m_windows->door()->mirror().sensors.record(0).loop1_armed, quint8(0));
        QCOMPARE(countCode(records(m_dir.filePath(QStringLiteral("VatrelB_mess/1001"))), 1001,
                           storedCode(EventCode::DisarmLoop1)),
                 1);
    }

    // The exit saves and logs on the core; then the thread ends and the windows go.
    void exitIsLoggedAndTheThreadEnds() {
        m_windows->mainWindow()->endRunUnasked();
        QVERIFY(m_windows->mainWindow()->runEnded());
        const QList<EventRecord> day = records(dayLog());
        QVERIFY(!day.isEmpty());
        QCOMPARE(int(day.last().code), int(storedCode(EventCode::ProgramExit)));
        m_windows.reset();
        QVERIFY(!m_port.isOpen());
    }

    void cleanupTestCase() {
        m_windows.reset();
        m_c.link.attachPort(nullptr);
        m_sim.closeWriteChannel();
        m_sim.terminate();
        m_sim.waitForFinished(3000);
        QDir::setCurrent(QDir::tempPath());
    }
};

QTEST_MAIN(TestCoreDoor)
#include "tst_coredoor.moc"
