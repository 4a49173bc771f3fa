// SPDX-License-Identifier: GPL-3.0-or-later
// The sensor table's context menu: which items it offers, and what each command does or refuses.
#include "common/ConsoleFixture.h"
#include "common/EventLogFile.h"
#include "core/OperatorActions.h"
#include "core/Startup.h"

#include <QTest>

using namespace vatrel;
using namespace vatrel::testing;

namespace {
const QString kNoSelection = QStringLiteral("Выберите позицию датчика в таблице, щёлкнув левой кнопкой мыши "
                                            "по соответствующей ячейке столбца <Зав.№>");
const QString kMapNotSent = QStringLiteral("В преобразователь не передана таблица адресов устройств на шине");
const QString kNoConverter = QStringLiteral("Нет связи с преобразователем");
const QString kMapInProgress = QStringLiteral("Идёт передача в преобразователь таблицы адресов");
constexpr Colour kAlarm = 0x00536BF2;
constexpr Colour kGreen = 0x0000FF00;
constexpr Colour kAqua = 0x00FFFF00;
} // namespace

class TestOperatorCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<ConsoleFixture> m_f;

    Console& c() { return m_f->c; }
    OperatorActions actions() { return c().actions(); }
    RecordingUi& ui() { return m_f->ui; }
    QString dailyLog() const { return m_f->file("QReport/03.02.2025"); }

    // An occupied, on-line slot with both loops disarmed, selected in the table.
    SensorRecord& selectSensor(int slot, quint32 number, qint16 type) {
        SensorRecord& s = c().sensors.record(slot);
        s.factory_number = number;
        s.sensor_type = type;
        c().sensors.setOnline(slot, true);
        c().selection.selectRow(slot + 1);
        c().sensorRows.setArmed(slot, 1, false);
        c().sensorRows.setArmed(slot, 2, false);
        return s;
    }
    void expectError(const QString& text) { ui().expectMessage(text, "Ошибка"); }
    void checkAllErrorBoxes() {
        QVERIFY(ui().allExpectedShown());
        for (const auto& box : ui().boxes)
            QCOMPARE(box.icon, ConsoleUi::Icon::Error);
    }
    QString lastText() const { return readEventFile(dailyLog()).last().text; }
    // Петров (list entry 0) and Иванов (entry 1).
    void addTwoOperators() {
        QVERIFY(QDir(m_f->dir.path()).mkpath("data"));
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
        // A fresh folder per test so that no log file survives into the next one.
        m_f = std::make_unique<ConsoleFixture>(
            QStringList{"QReport", "VatrelA_mess", "VatrelB_mess", "VatrelA", "VatrelB"});
        m_f->now = QDateTime(QDate(2025, 2, 3), QTime(8, 0, 5));
        m_f->silverRows();
        c().link.setState(ConverterState::Up);
        c().link.setMapPosition(kSlots);
    }
    void cleanup() { m_f.reset(); }

    void noSelectionLeavesOnlyTheSensorLog() {
        selectSensor(5, 100, 0);
        c().selection.selectRow(0);
        expectError(kNoSelection);
        const PopupMenuState m = actions().sensorMenuState();
        QVERIFY(!m.PEstablish && !m.PRemove && !m.N_Direct_component_porog);
        QVERIFY(!m.PSetSh1 && !m.PSetSh2 && !m.PRemoveSh1 && !m.PRemoveSh2);
        QVERIFY(m.N1);

        expectError(kNoSelection);
        QCOMPARE(actions().askSensorLog(), DialogRequest::None);
        checkAllErrorBoxes();
        QCOMPARE(ui().boxes.size(), 2);
    }

    void everyCommandOnASensorNeedsASelection() {
        selectSensor(5, 100, 0);
        c().selection.selectRow(0);
        for (int i = 0; i < 5; ++i)
            expectError(kNoSelection);
        actions().armSelectedLoop(1);
        actions().armSelectedLoop(2);
        actions().disarmSelectedLoop(1);
        actions().disarmSelectedLoop(2);
        QCOMPARE(actions().requestDcComponents(), DialogRequest::None);
        checkAllErrorBoxes();
        QCOMPARE(c().sensors.record(5).loop1_armed, quint8(0));
        QVERIFY(!QFile::exists(dailyLog()));
    }

    void rowsOutsideTheTableCountAsNoSelection() {
        c().selection.selectRow(201);
        expectError(kNoSelection);
        const PopupMenuState m = actions().sensorMenuState();
        QVERIFY(!m.PEstablish && !m.PRemove);
        expectError(kNoSelection);
        actions().armSelectedLoop(1);
        c().selection.selectRow(-3);
        expectError(kNoSelection);
        QCOMPARE(actions().askSensorLog(), DialogRequest::None);
        checkAllErrorBoxes();
    }

    void emptyPositionOffersOnlyConnect() {
        c().selection.selectRow(3);
        const PopupMenuState m = actions().sensorMenuState();
        QVERIFY(m.PEstablish);
        QVERIFY(!m.PRemove && !m.N_Direct_component_porog);
        QVERIFY(!m.PSetSh1 && !m.PSetSh2 && !m.PRemoveSh1 && !m.PRemoveSh2);
        QVERIFY(m.N1);

        // The sensor commands on an empty position do nothing, silently.
        c().sensors.setOnline(2, true);
        actions().armSelectedLoop(1);
        QCOMPARE(actions().requestDcComponents(), DialogRequest::None);
        QCOMPARE(actions().askSensorLog(), DialogRequest::None);
        QCOMPARE(c().sensors.record(2).loop1_armed, quint8(0));
        QVERIFY(!QFile::exists(dailyLog()));
        QVERIFY(ui().boxes.isEmpty());
    }

    void occupiedPositionOffersOneOfArmAndDisarmPerLoop_data() {
        QTest::addColumn<int>("armed1");
        QTest::addColumn<int>("armed2");
        QTest::newRow("both disarmed") << 0 << 0;
        QTest::newRow("loop 1 armed") << 1 << 0;
        QTest::newRow("loop 2 armed") << 0 << 1;
        QTest::newRow("both armed") << 1 << 1;
        QTest::newRow("odd stored flag") << 7 << 0;
    }
    void occupiedPositionOffersOneOfArmAndDisarmPerLoop() {
        QFETCH(int, armed1);
        QFETCH(int, armed2);
        SensorRecord& s = selectSensor(40, 2001, 1);
        s.loop1_armed = quint8(armed1);
        s.loop2_armed = quint8(armed2);
        c().sensors.setOnline(40, false); // the menu does not look at the link state
        c().link.setState(ConverterState::Lost);
        const PopupMenuState m = actions().sensorMenuState();
        QVERIFY(!m.PEstablish);
        QVERIFY(m.PRemove);
        QVERIFY(m.N_Direct_component_porog);
        QVERIFY(m.N1);
        QCOMPARE(m.PSetSh1, armed1 == 0);
        QCOMPARE(m.PRemoveSh1, armed1 != 0);
        QCOMPARE(m.PSetSh2, armed2 == 0);
        QCOMPARE(m.PRemoveSh2, armed2 != 0);
        QVERIFY(ui().boxes.isEmpty());
    }

    void armingTurnsAnAlarmRowGreen() {
        SensorRecord& s = selectSensor(11, 4711, 0);
        c().sensorRows.setColour(11, kAlarm);
        actions().armSelectedLoop(1);
        QCOMPARE(s.loop1_armed, quint8(1));
        QCOMPARE(s.loop2_armed, quint8(0));
        QCOMPARE(sensorCell(c(), 10, 12), QString("Взят"));
        QCOMPARE(sensorCell(c(), 11, 12), QString("Снят"));
        QCOMPARE(c().sensorRows.colour(11), kGreen);
        QVERIFY(ui().changes[int(ConsoleUi::View::SensorGrid)] > 0);

        auto events = readEventFile(dailyLog());
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].mark, quint8(1));
        QCOMPARE(events[0].factory_number, 4711u);
        QCOMPARE(events[0].code, 16);
        QCOMPARE(events[0].text, QString("Установка на охрану первого шлейфа датчика <Ватрел-А> № 4711"));
        QCOMPARE(readEventFile(m_f->file("VatrelA_mess/4711")).size(), 1);

        // Arming an armed loop does nothing and writes no event.
        actions().armSelectedLoop(1);
        QCOMPARE(readEventFile(dailyLog()).size(), 1);

        actions().armSelectedLoop(2);
        QCOMPARE(s.loop2_armed, quint8(1));
        QCOMPARE(sensorCell(c(), 11, 12), QString("Взят"));
        events = readEventFile(dailyLog());
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[1].code, 17);
        QCOMPARE(events[1].text, QString("Установка на охрану второго шлейфа датчика <Ватрел-А> № 4711"));
        QVERIFY(ui().boxes.isEmpty());
    }

    void disarmingKeepsTheColourUntilTheLastLoop() {
        SensorRecord& s = selectSensor(0, 300, 1);
        s.loop1_armed = 1;
        s.loop2_armed = 1;
        c().sensorRows.setArmed(0, 1, true);
        c().sensorRows.setArmed(0, 2, true);
        c().sensorRows.setColour(0, kAlarm);

        actions().disarmSelectedLoop(1);
        QCOMPARE(s.loop1_armed, quint8(0));
        QCOMPARE(sensorCell(c(), 10, 1), QString("Снят"));
        QCOMPARE(sensorCell(c(), 11, 1), QString("Взят"));
        QCOMPARE(c().sensorRows.colour(0), kAlarm);
        auto events = readEventFile(dailyLog());
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].code, 18);
        QCOMPARE(events[0].text, QString("Снятие с охраны первого шлейфа датчика <Ватрел-Б> № 300"));
        QCOMPARE(readEventFile(m_f->file("VatrelB_mess/300")).size(), 1);

        // Disarming a disarmed loop does nothing.
        actions().disarmSelectedLoop(1);
        QCOMPARE(readEventFile(dailyLog()).size(), 1);

        actions().disarmSelectedLoop(2);
        QCOMPARE(s.loop2_armed, quint8(0));
        QCOMPARE(sensorCell(c(), 11, 1), QString("Снят"));
        QCOMPARE(c().sensorRows.colour(0), kAqua);
        events = readEventFile(dailyLog());
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[1].code, 19);
        QCOMPARE(events[1].text, QString("Снятие с охраны второго шлейфа датчика <Ватрел-Б> № 300"));
        QCOMPARE(c().events.at(1).text, QString("Снятие с охраны второго шлейфа датчика <Ватрел-Б> № 300"));
        QVERIFY(ui().boxes.isEmpty());
    }

    void offLineSensorIgnoresLoopCommands() {
        SensorRecord& s = selectSensor(9, 12, 0);
        s.loop2_armed = 1;
        c().sensorRows.setArmed(9, 2, true);
        c().sensors.setOnline(9, false);
        c().sensorRows.setColour(9, kAlarm);
        actions().armSelectedLoop(1);
        actions().armSelectedLoop(2);
        actions().disarmSelectedLoop(1);
        actions().disarmSelectedLoop(2);
        QCOMPARE(s.loop1_armed, quint8(0));
        QCOMPARE(s.loop2_armed, quint8(1));
        QCOMPARE(sensorCell(c(), 10, 10), QString("Снят"));
        QCOMPARE(sensorCell(c(), 11, 10), QString("Взят"));
        QCOMPARE(c().sensorRows.colour(9), kAlarm);
        QVERIFY(!QFile::exists(dailyLog()));
        QCOMPARE(c().events.count(), 0);
        QVERIFY(ui().boxes.isEmpty());
    }

    void withoutConverterDialogsOpenButNotTheDcComponent_data() {
        QTest::addColumn<int>("link");
        QTest::newRow("link lost") << 0;
        QTest::newRow("link not yet known") << 2;
    }
    void withoutConverterDialogsOpenButNotTheDcComponent() {
        QFETCH(int, link);
        selectSensor(20, 77, 1);
        c().link.setState(ConverterState(link));
        c().link.setMapPosition(57);
        QCOMPARE(actions().requestConnectSensor(), DialogRequest::SetSensor);
        QCOMPARE(actions().requestDisconnectSensor(), DialogRequest::RemoveSensor);
        expectError(kNoConverter);
        QCOMPARE(actions().requestDcComponents(), DialogRequest::None);
        checkAllErrorBoxes();
        QCOMPARE(ui().boxes.size(), 1);
    }

    void addressMapInTransferRefusesConnectAndDcComponent() {
        selectSensor(20, 77, 1);
        c().link.setState(ConverterState::Up);
        c().link.setMapPosition(57);
        expectError(kMapNotSent);
        QCOMPARE(actions().requestConnectSensor(), DialogRequest::None);
        expectError(kMapNotSent);
        QCOMPARE(actions().requestDisconnectSensor(), DialogRequest::None);
        expectError(kMapInProgress);
        QCOMPARE(actions().requestDcComponents(), DialogRequest::None);
        checkAllErrorBoxes();
        QCOMPARE(ui().boxes.size(), 3);

        // Loop commands are not affected by the transfer.
        actions().armSelectedLoop(1);
        QCOMPARE(c().sensors.record(20).loop1_armed, quint8(1));
    }

    void linkedWithMapTransferredOpensEveryDialog() {
        selectSensor(20, 77, 1);
        c().sensors.setOnline(20, false); // an off-line sensor still gets its DC component dialog
        QCOMPARE(actions().requestConnectSensor(), DialogRequest::SetSensor);
        QCOMPARE(actions().requestDisconnectSensor(), DialogRequest::RemoveSensor);
        QCOMPARE(actions().requestDcComponents(), DialogRequest::DirectComponent);
        QCOMPARE(actions().askSensorLog(), DialogRequest::SensorLog);
        QVERIFY(ui().boxes.isEmpty());
    }

    void selectingACellSelectsItsRow() {
        const int before = ui().changes[int(ConsoleUi::View::SensorGrid)];
        selectSensorCell(c().selection, 7, 12);
        QCOMPARE(c().selection.row(), 12);
        QCOMPARE(c().selection.column(), 7);
        QCOMPARE(ui().changes[int(ConsoleUi::View::SensorGrid)], before + 1);

        // Any column of the row selects slot 11.
        SensorRecord& s = c().sensors.record(11);
        s.factory_number = 901;
        c().sensors.setOnline(11, true);
        selectSensorCell(c().selection, 3, 12);
        actions().armSelectedLoop(2);
        QCOMPARE(s.loop2_armed, quint8(1));
        QCOMPARE(sensorCell(c(), 11, 12), QString("Взят"));
    }

    void takingAndReleasingTheDutyIsLoggedAndKept() {
        addTwoOperators();
        QVERIFY(actions().takeDuty(0));
        QCOMPARE(lastText(), QString("Смена: дежурный Петров"));
        QCOMPARE(readEventFile(dailyLog()).last().code, 23);
        QVERIFY(actions().takeDuty(1));
        QCOMPARE(lastText(), QString("Смена: дежурный Иванов (был Петров)"));
        QCOMPARE(reread().surname(), QString("Иванов"));
        QVERIFY(!actions().takeDuty(1)); // the same again, or no such entry: nothing logged
        QVERIFY(!actions().takeDuty(2));
        QVERIFY(actions().removeOperator(0)); // Петров: Иванов stays on duty
        QCOMPARE(readEventFile(dailyLog()).size(), 2);
        QVERIFY(actions().removeOperator(0));
        QCOMPARE(lastText(), QString("Смена: дежурный снят (был Иванов)"));
        QVERIFY(!reread().onDuty());
        QVERIFY(!inFilter(23, LogFilter::Alarms) && !inFilter(23, LogFilter::LinkLoss));
    }

    void unusableDutyFileMeansNobodyOnDuty() {
        addTwoOperators();
        const QList<std::pair<QByteArray, bool>> files{
            {"", false},
            {QByteArray("VDTY\x01\x00", 6), false},
            {QByteArray("VDTY\x01\x00\x00\x00\x00", 9), false},
            {QByteArray("XDTY\x01\x00\x00\x00", 8), false},
            {QByteArray("VDTY\x00\x80\x00\x00", 8), false},
            {QByteArray("VDTY\x05\x00\x00\x00", 8), true}}; // an ID the list does not hold
        for (const auto& [bytes, usable] : files) {
            m_f->write("data/duty.dat", bytes);
            DutyOperator duty;
            QCOMPARE(duty.load(m_f->dir.path(), c().operators), usable);
            QVERIFY(!duty.onDuty());
        }
        m_f->write("data/duty.dat", "VDTY");
        m_f->ui.expectMessage(QStringLiteral("Файл duty.dat повреждён: дежурный не выбран"), "Ошибка");
        startUp(c());
        QVERIFY(m_f->ui.allExpectedShown());
    }

    void armingNamesTheOperatorOnDuty() {
        addTwoOperators();
        selectSensor(4, 4711, 0);
        QVERIFY(actions().armLoop(4, 1));
        QCOMPARE(lastText(), QString("Установка на охрану первого шлейфа датчика <Ватрел-А> № 4711"));
        QVERIFY(actions().takeDuty(1));
        QVERIFY(actions().disarmLoop(4, 1));
        QCOMPARE(lastText(),
                 QString("Снятие с охраны первого шлейфа датчика <Ватрел-А> № 4711. Оператор: Иванов"));
        QCOMPARE(readEventFile(m_f->file("VatrelA_mess/4711")).last().text, lastText());
    }

    void aLongSurnameIsCutAtACharacterBoundary() {
        const QString text = QStringLiteral("Установка на охрану");
        const int room = EventRecord::kTextSize - 1 - int(text.size()) - 12; // 12: ". Оператор: "
        DutyOperator duty; // the last letter, a surrogate pair, straddles the cut
        duty.take(m_f->dir.path(), 0, QString(room - 1, u'Ж') + QString::fromUcs4(U"\U0001D49C"));
        QCOMPARE(duty.withOperator(text), text + ". Оператор: " + QString(room - 1, u'Ж'));
    }
};

QTEST_GUILESS_MAIN(TestOperatorCommands)
#include "tst_operatorcommands.moc"
