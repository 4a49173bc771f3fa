// SPDX-License-Identifier: GPL-3.0-or-later
// Disarming a loop until a set time through the windows (offscreen): the table's menu and the alarm
// window's buttons, the window that asks until when, the table's cell, the one-minute warning, the
// alarm raised at the end, and a restart in the middle.
#include "DataFolder.h"
#include "app/ConsoleWindows.h"
#include "app/MainWindow.h"
#include "app/WidgetUi.h"
#include "common/ConverterFrame.h"
#include "common/EventLogFile.h"
#include "dialogs/AlarmWindow.h"
#include "dialogs/TimedDisarmDialog.h"
#include "link/ReportDecoder.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

class CountingUi : public WidgetUi {
public:
    bool question(const QString&, const QString&) override { return true; }
    void playAlarmSound(const QString& wavPath) override {
        ++soundRequests;
        WidgetUi::playAlarmSound(wavPath);
    }
    int soundRequests = 0;
};

constexpr int kRow = 5; // slot 5: table row 6
const SensorSpec kSensor1234{kRow, 1234, 1, /*loop 1 armed*/ 1, 0, /*status*/ 15};

// One run of the console on a data folder, with its own clock. Ending it ends nothing else: what it
// left in the folder is what a power cut leaves.
struct Session {
    QDateTime now;
    Console c;
    FakePort port{FakePort::Device::Missing};
    CountingUi* ui = nullptr;
    std::unique_ptr<ConsoleWindows> windows;

    explicit Session(const QDateTime& start) : now(start) {
        c.clock = [this] { return now; };
    }
    ~Session() {
        windows.reset();
        QDir::setCurrent(QDir::tempPath());
    }
    void start(const QString& folder) {
        QDir::setCurrent(folder);
        c.link.attachPort(&port);
        auto counting = std::make_unique<CountingUi>();
        ui = counting.get();
        windows = std::make_unique<ConsoleWindows>(c, std::move(counting));
        windows->mainWindow()->show();
        QApplication::processEvents();
    }
    AlarmWindow* alarmWindow() const { return windows->alarmWindow(); }
    template <typename T> T* alarmChild(const char* name) const {
        return alarmWindow()->findChild<T*>(QString::fromLatin1(name));
    }
    QString cell(int column) const {
        return windows->mainWindow()
            ->findChild<QTableView*>("StringGrid1")
            ->model()
            ->index(kRow, column)
            .data()
            .toString();
    }
    QList<LoggedEvent> dayLog() const {
        return readEventFile(
            QDir::current().filePath(QStringLiteral("QReport/") + now.toString("dd.MM.yyyy")));
    }
    // The clock timer's tick, as the core's Timer2 runs it.
    void tickAt(const QDateTime& when) {
        now = when;
        auto* timer2 = windows->door()->timers()->findChild<QTimer*>(QStringLiteral("Timer2"));
        QVERIFY(timer2);
        QVERIFY(QMetaObject::invokeMethod(timer2, "timeout", Qt::DirectConnection));
        windows->ui()->flushViews();
    }
    // A status report of sensor 1234: state normal, loop 1 in alarm or not.
    void report(bool loop1Alarm) {
        std::vector<quint16> w{0x0141, 0, 1234, 2, quint16(loop1Alarm ? 0x0080 : 0x0000)};
        for (int i = 0; i < 16; ++i)
            w.push_back(0);
        const QByteArray text = reportText(w);
        c.decoder().decode(text.constData(), int(text.size()), 0x41);
        windows->ui()->flushViews();
    }
};

// Runs `check` every 10 ms until it returns true (at most 5 s): the windows open modally, so the test
// looks for them from the event loop they run.
void poll(const std::function<bool()>& check) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, check, tries = 0]() mutable {
        timer->stop();
        if (check() || ++tries >= 500)
            timer->deleteLater();
        else
            timer->start();
    });
    timer->start();
}

// Runs `answer` on the timed disarm window as soon as it is open (it opens modally, after the menu).
void whenTimedDisarmOpens(const std::function<void(TimedDisarmDialog&)>& answer) {
    poll([answer] {
        auto* d = qobject_cast<TimedDisarmDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible()) return false;
        d->activateWindow();
        if (QTest::qWaitForWindowActive(d)) answer(*d);
        // A check that failed inside must not leave the test waiting on the window.
        if (d->isVisible()) d->reject();
        return true;
    });
}

// Chooses the menu item named `name` with the keyboard as soon as the menu is open.
void whenMenuOpensChoose(const char* name) {
    poll([name] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return false;
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String(name) && a->isEnabled()) {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
                return true;
            }
        menu->close(); // the test then finds the item was not chosen
        return true;
    });
}

const QDateTime kNoon(QDate(2025, 4, 1), QTime(12, 0, 0));

} // namespace

class TestTimedDisarmWindows : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(w) || qobject_cast<TimedDisarmDialog*>(w)) delete w;
    }

    // Disarmed from the table's menu for one minute ("до 12:01"); the loop goes into alarm meanwhile,
    // which is no alarm while it is off guard; a minute before the end the alarm window says so
    // without a sound, and at the end the loop is armed again and its alarm raised.
    void oneMinuteDisarmEndingInAlarmRaisesIt() {
        QTemporaryDir dir;
        QVERIFY(prepareFolder(dir.path(), {kSensor1234}));
        Session run(kNoon);
        run.start(dir.path());
        run.report(false); // on line, loops normal
        run.c.selection.selectRow(kRow + 1);

        bool asked = false;
        whenTimedDisarmOpens([&](TimedDisarmDialog& d) {
            asked = true;
            QCOMPARE(d.windowTitle(), QStringLiteral("Снятие с охраны на время"));
            QCOMPARE(d.findChild<QLabel*>("LabelSensor")->text(),
                     QStringLiteral("Снять Ш1 датчика № 1234 с охраны"));
            QStringList choices;
            for (const char* name : {"Radio15", "Radio60", "Radio240", "Radio480", "RadioUntil"})
                choices << d.findChild<QRadioButton*>(name)->text();
            QCOMPARE(choices, (QStringList{"15 мин", "1 ч", "4 ч", "8 ч", "до"}));
            QVERIFY(d.findChild<QRadioButton*>("Radio15")->isChecked());
            auto* edit = d.findChild<QDateTimeEdit*>("EditUntil");
            QCOMPARE(edit->text(), QStringLiteral("01.04.2025 13:00"));
            edit->setDateTime(kNoon.addSecs(60)); // editing it chooses "до"
            QVERIFY(d.findChild<QRadioButton*>("RadioUntil")->isChecked());
            QTest::keyClick(edit, Qt::Key_Return); // Enter takes the choice
        });
        whenMenuOpensChoose("PTimedRemoveSh1");
        run.windows->mainWindow()->showSensorMenu(QPoint(5, 5));
        QVERIFY(asked);

        QCOMPARE(run.c.sensors.record(kRow).loop1_armed, quint8(0));
        QCOMPARE(run.cell(10), QStringLiteral("Снят до 12:01"));
        // The longest form, of another day, fits both armed columns as the table draws them.
        auto* table = run.windows->mainWindow()->findChild<QTableView*>("StringGrid1");
        const QFontMetrics fm(table->model()->index(kRow, 10).data(Qt::FontRole).value<QFont>());
        for (int column : {10, 11})
            QVERIFY2(
                fm.horizontalAdvance(QStringLiteral("Снят до 09.12 14:30")) + 8 <= table->columnWidth(column),
                qPrintable(QString::number(fm.horizontalAdvance(QStringLiteral("Снят до 09.12 14:30")))));
        QCOMPARE(run.dayLog().last().text,
                 QStringLiteral("Снятие с охраны первого шлейфа датчика <Ватрел-Б> № 1234 до 12:01"));

        // A minute before the end: the window comes up and says so, without a sound.
        run.tickAt(kNoon.addSecs(1));
        auto* warning = run.alarmChild<QLabel>("LabelTimedEnd");
        QTRY_VERIFY(run.alarmWindow()->isVisible());
        QVERIFY(warning->isVisible());
        QCOMPARE(warning->text(), QStringLiteral("Через минуту на охрану: Ш1 датчика № 1234 в 12:01"));
        QCOMPARE(warning->geometry(), QRect(8, 326, 400, 26));
        QCOMPARE(run.ui->soundRequests, 0);
        QVERIFY(run.c.alarms.isEmpty());

        // The loop goes into alarm while off guard: shown in the table, no alarm.
        run.report(true);
        QCOMPARE(run.cell(3), QStringLiteral("Тревога"));
        QVERIFY(run.c.alarms.isEmpty());
        QCOMPARE(run.ui->soundRequests, 0);

        run.tickAt(kNoon.addSecs(59));
        QCOMPARE(run.c.sensors.record(kRow).loop1_armed, quint8(0));
        run.tickAt(kNoon.addSecs(60));
        QCOMPARE(run.c.sensors.record(kRow).loop1_armed, quint8(1));
        QCOMPARE(run.cell(10), QStringLiteral("Взят"));
        // Raised as an armed loop's alarm: listed, the sound asked for, the window in front; logged.
        QCOMPARE(run.c.alarms.rows(), 1);
        QCOMPARE(run.ui->soundRequests, 1);
        QVERIFY(run.c.alarms.soundOn());
        QVERIFY(run.alarmWindow()->isVisible());
        auto* list = run.alarmChild<QTableView>("StringGrid1")->model();
        QCOMPARE(list->index(0, 0).data().toString(), QStringLiteral("01.04.2025 12:01:00"));
        QCOMPARE(list->index(0, 1).data().toString(),
                 QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1234"));
        QCOMPARE(run.alarmChild<QLabel>("LabelNumAlarm")->text(), QStringLiteral("1"));
        QVERIFY(!warning->isVisible());
        const QList<LoggedEvent> log = run.dayLog();
        QCOMPARE(log.at(log.size() - 2).code, 16);
        QCOMPARE(log.at(log.size() - 2).text,
                 QStringLiteral("Установка на охрану первого шлейфа датчика <Ватрел-Б> № "
                                "1234 по окончании снятия на время"));
        QCOMPARE(log.last().code, 33);
        QCOMPARE(log.last().text, QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1234"));
        QCOMPARE(readEventFile(dir.filePath("VatrelB_mess/1234")).last().text, log.last().text);
    }

    // Disarmed for four hours from the alarm window; the console is gone (a power cut) and a fresh one
    // starts on the same folder: the loop is still off guard until 16:00, and is armed then.
    void restartInTheMiddleKeepsTheEnd() {
        QTemporaryDir dir;
        QVERIFY(prepareFolder(dir.path(), {kSensor1234}));
        {
            Session first(kNoon);
            first.start(dir.path());
            first.report(false);
            first.alarmWindow()->show();
            first.alarmChild<QLineEdit>("LabeledEdit1")->setText(QStringLiteral("1234"));
            auto* button = first.alarmChild<QPushButton>("BitBtnTimed1");
            QCOMPARE(button->text(), QStringLiteral("Снять Ш1 на время…"));
            QCOMPARE(button->geometry(), QRect(420, 326, 220, 26));
            QCOMPARE(first.alarmChild<QPushButton>("BitBtnTimed2")->geometry(), QRect(656, 326, 220, 26));
            whenTimedDisarmOpens([](TimedDisarmDialog& d) {
                QCOMPARE(d.findChild<QLabel*>("LabelSensor")->text(),
                         QStringLiteral("Снять Ш1 датчика № 1234 с охраны"));
                // The window opens with the shortest choice taken and the keyboard on it.
                QCOMPARE(QApplication::focusWidget(), d.findChild<QRadioButton*>("Radio15"));
                // Space takes the choice the keyboard is on, Enter the window's choice.
                auto* fourHours = d.findChild<QRadioButton*>("Radio240");
                fourHours->setFocus(Qt::TabFocusReason);
                QTest::keyClick(fourHours, Qt::Key_Space);
                QVERIFY(fourHours->isChecked());
                QTest::keyClick(fourHours, Qt::Key_Return);
            });
            button->click();
            QCOMPARE(first.cell(10), QStringLiteral("Снят до 16:00"));
            // Escape leaves everything as it was.
            whenTimedDisarmOpens([](TimedDisarmDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
            button->click();
            QCOMPARE(first.c.timedDisarms.entries().size(), 1);
        }

        Session second(kNoon.addSecs(3600));
        second.start(dir.path());
        QCOMPARE(second.cell(10), QStringLiteral("Снят до 16:00"));
        QCOMPARE(second.c.sensors.record(kRow).loop1_armed, quint8(0));
        QCOMPARE(
            second.c.timedDisarms.entries(),
            (QList<TimedDisarm>{{1234, 1, QDateTime(QDate(2025, 4, 1), QTime(16, 0)).toMSecsSinceEpoch()}}));
        second.tickAt(QDateTime(QDate(2025, 4, 1), QTime(15, 58, 59)));
        QCOMPARE(second.c.sensors.record(kRow).loop1_armed, quint8(0));
        QVERIFY(!second.alarmWindow()->isVisible());
        second.tickAt(QDateTime(QDate(2025, 4, 1), QTime(15, 59)));
        QTRY_VERIFY(second.alarmWindow()->isVisible());
        QCOMPARE(second.alarmChild<QLabel>("LabelTimedEnd")->text(),
                 QStringLiteral("Через минуту на охрану: Ш1 датчика № 1234 в 16:00"));
        second.tickAt(QDateTime(QDate(2025, 4, 1), QTime(16, 0)));
        QCOMPARE(second.c.sensors.record(kRow).loop1_armed, quint8(1));
        QCOMPARE(second.cell(10), QStringLiteral("Взят"));
        QCOMPARE(second.dayLog().last().text,
                 QStringLiteral("Установка на охрану первого шлейфа датчика <Ватрел-Б> № "
                                "1234 по окончании снятия на время"));
        // Shown for the warning alone, the alarm window went with it.
        QVERIFY(!second.alarmWindow()->isVisible());
        QVERIFY(second.c.alarms.isEmpty());
    }
};

QTEST_MAIN(TestTimedDisarmWindows)
#include "tst_timeddisarmwindows.moc"
