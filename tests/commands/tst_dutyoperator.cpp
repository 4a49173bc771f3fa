// SPDX-License-Identifier: GPL-3.0-or-later
// The operator on duty: taking and releasing it, its file across a restart, and the surname it adds
// to the events of the operator's actions.
#include "common/ConsoleFixture.h"
#include "common/EventLogFile.h"
#include "core/OperatorActions.h"
#include "core/Startup.h"

#include <QTest>

using namespace vatrel;
using namespace vatrel::testing;

class TestDutyOperator : public QObject {
    Q_OBJECT

    std::unique_ptr<ConsoleFixture> m_f;

    Console& c() { return m_f->c; }
    OperatorActions actions() { return c().actions(); }
    QList<LoggedEvent> dailyLog() const { return readEventFile(m_f->file("QReport/03.02.2025")); }
    QString lastText() const {
        const QList<LoggedEvent> events = dailyLog();
        return events.isEmpty() ? QString() : events.last().text;
    }
    // Петров (list entry 0, ID 0) and Иванов (entry 1, ID 1).
    void addTwoOperators() {
        QCOMPARE(actions().addOperator(QStringLiteral("Петров")), 0);
        QCOMPARE(actions().addOperator(QStringLiteral("Иванов")), 1);
    }
    // The duty as a fresh console reads it from the same folder.
    DutyOperator reread() {
        OperatorList operators;
        operators.load(m_f->dir.path(), nullptr);
        DutyOperator duty;
        duty.load(m_f->dir.path(), operators);
        return duty;
    }

private slots:
    void init() {
        m_f = std::make_unique<ConsoleFixture>();
        m_f->now = QDateTime(QDate(2025, 2, 3), QTime(8, 0, 5));
    }
    void cleanup() { m_f.reset(); }

    void takingAndReleasingTheDutyIsLoggedAndKept() {
        addTwoOperators();
        QVERIFY(!reread().onDuty()); // no file yet

        QVERIFY(actions().takeDuty(0));
        QCOMPARE(lastText(), QString("Смена: дежурный Петров"));
        QCOMPARE(dailyLog().last().code, 23);
        QCOMPARE(dailyLog().last().factory_number, 0u);

        QVERIFY(actions().takeDuty(1));
        QCOMPARE(lastText(), QString("Смена: дежурный Иванов (был Петров)"));
        QCOMPARE(c().duty.surname(), QString("Иванов"));
        QCOMPARE(m_f->read("data/duty.dat"), QByteArray("VDTY\x01\x00\x00\x00", 8));
        DutyOperator restarted = reread();
        QCOMPARE(restarted.operatorId(), qint16(1));
        QCOMPARE(restarted.surname(), QString("Иванов"));

        // The same operator again, or an entry the list lacks, changes and logs nothing.
        QVERIFY(!actions().takeDuty(1));
        QVERIFY(!actions().takeDuty(2));
        QCOMPARE(dailyLog().size(), 2);

        QVERIFY(actions().takeDuty(-1));
        QCOMPARE(lastText(), QString("Смена: дежурный снят (был Иванов)"));
        QVERIFY(!c().duty.onDuty());
        QVERIFY(!reread().onDuty());
        QVERIFY(m_f->ui.boxes.isEmpty());
    }

    void removingTheOperatorOnDutyReleasesTheDuty() {
        addTwoOperators();
        QVERIFY(actions().takeDuty(1));
        QVERIFY(actions().removeOperator(0)); // Петров: Иванов stays on duty, now entry 0
        QCOMPARE(c().duty.surname(), QString("Иванов"));
        QCOMPARE(c().duty.indexIn(c().operators), 0);
        QCOMPARE(dailyLog().size(), 1);

        QVERIFY(actions().removeOperator(0));
        QVERIFY(!c().duty.onDuty());
        QCOMPARE(lastText(), QString("Смена: дежурный снят (был Иванов)"));
        QVERIFY(!reread().onDuty());
    }

    void unusableFileMeansNobodyOnDuty_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("usable");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("short") << QByteArray("VDTY\x01\x00", 6) << false;
        QTest::newRow("long") << QByteArray("VDTY\x01\x00\x00\x00\x00", 9) << false;
        QTest::newRow("other content") << QByteArray("XDTY\x01\x00\x00\x00", 8) << false;
        QTest::newRow("ID out of range") << QByteArray("VDTY\x00\x80\x00\x00", 8) << false;
        QTest::newRow("negative ID") << QByteArray("VDTY\xFE\xFF\xFF\xFF", 8) << false;
        QTest::newRow("nobody stored") << QByteArray("VDTY\xFF\xFF\xFF\xFF", 8) << true;
        QTest::newRow("operator not listed") << QByteArray("VDTY\x05\x00\x00\x00", 8) << true;
    }
    void unusableFileMeansNobodyOnDuty() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, usable);
        addTwoOperators();
        m_f->write("data/duty.dat", bytes);
        DutyOperator duty;
        QCOMPARE(duty.load(m_f->dir.path(), c().operators), usable);
        QVERIFY(!duty.onDuty());
        QCOMPARE(duty.surname(), QString());
        QCOMPARE(duty.withOperator(QStringLiteral("текст")), QString("текст"));
    }

    void startUpTellsOfADamagedFile() {
        m_f->write("data/duty.dat", QByteArray("VDTY", 4));
        m_f->ui.expectMessage(QStringLiteral("Файл duty.dat повреждён: дежурный не выбран"), "Ошибка");
        startUp(c());
        QVERIFY(m_f->ui.allExpectedShown());
        QVERIFY(!c().duty.onDuty());
    }

    void armingNamesTheOperatorOnDuty() {
        addTwoOperators();
        SensorRecord& s = c().sensors.record(4);
        s.factory_number = 4711;
        s.sensor_type = 1;
        c().sensors.setOnline(4, true);

        QVERIFY(actions().armLoop(4, 1)); // nobody on duty: the text as ever
        QCOMPARE(lastText(), QString("Установка на охрану первого шлейфа датчика <Ватрел-Б> № 4711"));
        QVERIFY(actions().takeDuty(1));
        QVERIFY(actions().armLoop(4, 2));
        QCOMPARE(lastText(),
                 QString("Установка на охрану второго шлейфа датчика <Ватрел-Б> № 4711. Оператор: Иванов"));
        QVERIFY(actions().disarmLoop(4, 1));
        QCOMPARE(lastText(),
                 QString("Снятие с охраны первого шлейфа датчика <Ватрел-Б> № 4711. Оператор: Иванов"));
        QCOMPARE(readEventFile(m_f->file("VatrelB_mess/4711")).last().text, lastText());
        QCOMPARE(c().events.at(c().events.count() - 1).text, lastText());
    }

    void aLongSurnameIsCutAtACharacterBoundary() {
        DutyOperator duty;
        const QString text = QStringLiteral("Установка на охрану первого шлейфа датчика <Ватрел-А> № 1");
        const QString suffix = QStringLiteral(". Оператор: ");
        const int room = EventRecord::kTextSize - 1 - int(text.size() + suffix.size());
        // A surname one character longer than the record holds, its last letter a surrogate pair
        // that straddles the cut.
        QString surname = QString(room - 1, QChar(u'Ж')) + QString::fromUcs4(U"\U0001D49C");
        QVERIFY(duty.take(m_f->dir.path(), 0, surname));
        const QString cut = duty.withOperator(text);
        QCOMPARE(cut, text + suffix + QString(room - 1, QChar(u'Ж')));

        // What fits is kept whole, and the record stores it back unchanged.
        surname = QString(room, QChar(u'Ё'));
        QVERIFY(duty.take(m_f->dir.path(), 0, surname));
        EventRecord rec;
        rec.text = duty.withOperator(text);
        QCOMPARE(rec.text, text + suffix + surname);
        EventRecord back;
        QVERIFY(back.decode(rec.encode()));
        QCOMPARE(back.text, rec.text);
    }

    void aShiftChangeIsNeitherALinkLossNorAnAlarm() {
        const int code = storedCode(EventCode::ShiftChange);
        QCOMPARE(code, 23);
        QVERIFY(inFilter(code, LogFilter::All));
        QVERIFY(!inFilter(code, LogFilter::Alarms));
        QVERIFY(!inFilter(code, LogFilter::LinkLoss));
        QVERIFY(!isAlarm(EventCode::ShiftChange));
    }
};

QTEST_GUILESS_MAIN(TestDutyOperator)
#include "tst_dutyoperator.moc"
