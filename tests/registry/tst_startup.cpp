// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up loading, the sensor table rows and the exit save.
#include "common/ConsoleFixture.h"
#include "common/DataFiles.h"
#include "common/SmallFileSystem.h"
#include "registry/DataFolderLock.h"
#include "core/Startup.h"
#include "registry/Storage.h"

#include <QLocale>
#include <QSysInfo>
#include <sys/stat.h>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

SensorRecord armedTypeB() {
    SensorRecord r = SensorRecord::startupDefault();
    r.factory_number = 1234;
    r.sensor_type = 1;
    r.slot_index = 5;
    r.connected_at = 45700.25;
    r.connected_by = 2;
    r.loop1_armed = 1;
    r.status = 15;
    r.loop1_alarm = 1;
    r.loop2_alarm = 1;
    r.dc_component1 = 1.5f;
    r.dc_component2 = -0.25f;
    return r;
}

// Fills one slot directly and writes its row.
void fill(ConsoleFixture& f, int slot, SensorRecord r) {
    f.c.sensors.record(slot) = r;
    fillSensorRow(f.c.sensorRows, f.c.sensors, slot);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void emptyDataFolder() {
        ConsoleFixture f({"data", "QReport"});
        startUp(f.c);
        QVERIFY(f.ui.boxes.isEmpty());
        QCOMPARE(f.read("data/hw.dat"), QByteArray(1202, '\0'));
        QVERIFY(f.exists("data/chop.dat"));
        QCOMPARE(f.read("data/chop.dat"), QByteArray());
        QCOMPARE(f.c.status.sensorCount(), 0);
        QCOMPARE(f.c.ports.index(), 0);
        QCOMPARE(f.c.status.panel(1), QStringLiteral("Alt+X-Выход"));

        const QStringList sensorHeader{"№ п/п",    "Адрес",     "Датчик",       "Ш1",
                                       "Ш2",       "Порог 1",   "Сигнал 1",     "Порог 2",
                                       "Сигнал 2", "Состояние", "На охране Ш1", "На охране Ш2"};
        for (int col = 0; col < 12; ++col)
            QCOMPARE(sensorCell(f.c, col, 0), sensorHeader[col]);

        QCOMPARE(sensorCell(f.c, 0, 1), QStringLiteral("1"));
        QCOMPARE(sensorCell(f.c, 0, 200), QStringLiteral("200"));
        for (int col = 1; col < 12; ++col)
            QCOMPARE(sensorCell(f.c, col, 6), QString());
        QVERIFY(!f.c.link.slotDiagnostics(5).countsShown);

        QCOMPARE(f.c.sensorRows.colour(0), 0xC0C0C0u);
        QCOMPARE(f.c.sensorRows.colour(199), 0xC0C0C0u);
        QCOMPARE(f.c.sensors.record(10).disconnected_by, qint16(-1));
        QCOMPARE(f.c.sensors.record(10).mark, quint8(1));
        QCOMPARE(f.c.sensors.addressEntry(0).device_code, quint8(0));
        QCOMPARE(f.c.osc.slot(), -1);
    }

    void armedTypeBSensorAfterRestart() {
        ConsoleFixture f;
        const QByteArray hw = hwFile({{5, 1234, 1}}, 3);
        f.write("data/hw.dat", hw);
        SensorRecord saved = armedTypeB();
        saved.link_up = 1;
        f.write("VatrelB/1234", saved.encode());
        for (int i = 0; i < 9; ++i)
            f.c.link.countSlotReport(SlotCount::ChecksumErrors, 5);

        startUp(f.c);
        QVERIFY(f.ui.boxes.isEmpty());

        const QStringList row6{"6", "1234", "Ватрел-Б", "Тревога",   "Тревога", "0",
                               "0", "0",    "0",        "Нет связи", "Взят",    "Снят"};
        for (int col = 0; col < 12; ++col)
            QCOMPARE(sensorCell(f.c, col, 6), row6[col]);
        QCOMPARE(f.c.sensorRows.colour(5), 0x0000ABu);
        QCOMPARE(f.c.sensorRows.colour(4), 0xC0C0C0u);
        QCOMPARE(f.c.link.slotDiagnostics(5).link, SlotLink::Lost);
        QVERIFY(f.c.link.slotDiagnostics(5).countsShown);
        QCOMPARE(f.c.link.slotCount(SlotCount::ChecksumErrors, 5), 0);
        QCOMPARE(f.c.sensors.record(5).link_up, qint16(0));
        QCOMPARE(f.c.sensors.record(5).connected_by, qint16(2));
        QCOMPARE(f.c.status.sensorCount(), 1);
        QCOMPARE(f.c.ports.index(), 3);
        QCOMPARE(f.c.sensors.addressEntry(5).device_code, quint8(22));
        QCOMPARE(f.c.sensors.addressEntry(5).factory_number, quint16(1234));
        QCOMPARE(f.c.sensors.addressEntry(4).device_code, quint8(0));
        QCOMPARE(f.c.osc.slot(), -1);
        QCOMPARE(f.c.osc.text(OscEntry::Position), QStringLiteral("0"));
        QVERIFY(f.c.osc.startOpen());
    }

    void missingSettingsFileAtStart() {
        ConsoleFixture f;
        f.write("data/hw.dat", hwFile({{5, 1234, 1}, {9, 70000, 0}}, 1));
        f.ui.expectMessage(QStringLiteral("Ini_sm: не открылся файл VatrelB\\1234"),
                           QStringLiteral("Ошибка"));
        f.ui.expectMessage(QStringLiteral("Ini_sm: не открылся файл VatrelA\\70000"),
                           QStringLiteral("Ошибка"));
        startUp(f.c);
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.ui.boxes.size(), 2);
        QCOMPARE(f.c.sensors.count(), 0);
        QCOMPARE(sensorCell(f.c, 1, 6), QString());
        QCOMPARE(f.c.status.sensorCount(), 0);
        QCOMPARE(f.read("data/hw.dat"), hwFile({}, 1));
    }

    // A number in two slots is found in the lower one; a slot without a number is empty whatever
    // else it holds: not counted, no row, no map entry.
    void duplicateNumberAndEmptySlotRules() {
        ConsoleFixture f;
        SensorRecord rec = SensorRecord::startupDefault();
        rec.factory_number = 555;
        rec.sensor_type = 1;
        f.write("VatrelB/555", rec.encode());
        f.write("data/hw.dat", hwFile({{9, 555, 1}, {4, 555, 1}}));
        startUp(f.c);
        QCOMPARE(f.c.sensors.findSlot(555), 4);
        QCOMPARE(f.c.sensors.findSlot(556), -1);

        SensorRecord& ghost = f.c.sensors.record(7);
        ghost.status = 2;
        ghost.loop1_alarm = 1;
        ghost.loop1_armed = 1;
        fillSensorRow(f.c.sensorRows, f.c.sensors, 7);
        QCOMPARE(sensorCell(f.c, 9, 8), QString());
        QCOMPARE(f.c.sensorRows.colour(7), 0xC0C0C0u);
        QCOMPARE(f.c.sensors.count(), 2);
        QCOMPARE(f.c.sensors.addressEntry(7).device_code, quint8(0));
    }

    void addressMapUsesLow16Bits() {
        ConsoleFixture f;
        f.write("data/hw.dat", hwFile({{0, 0x00012345, 0}}));
        SensorRecord r = SensorRecord::startupDefault();
        r.factory_number = 0x00012345;
        f.write("VatrelA/74565", r.encode());
        startUp(f.c);
        QCOMPARE(f.c.sensors.addressEntry(0).device_code, quint8(22));
        QCOMPARE(f.c.sensors.addressEntry(0).factory_number, quint16(0x2345));
        QCOMPARE(sensorCell(f.c, 1, 1), QStringLiteral("74565"));
        QCOMPARE(sensorCell(f.c, 9, 1), QStringLiteral("Норма"));
        QCOMPARE(f.c.sensorRows.colour(0), 0x00FF00u);
        QCOMPARE(f.c.link.slotDiagnostics(0).link, SlotLink::NotShown); // primed only for "no link"
    }

    void oscillogramRestore() {
        ConsoleFixture f;
        f.write("data/hw.dat", hwFile({{5, 1234, 1}, {7, 555, 0}}));
        SensorRecord b = armedTypeB();
        b.osc_active = 1;
        f.write("VatrelB/1234", b.encode());
        SensorRecord a = SensorRecord::startupDefault();
        a.factory_number = 555;
        a.slot_index = 7;
        a.osc_active = 1;
        a.dc_component1 = -300.7f;
        f.write("VatrelA/555", a.encode());

        startUp(f.c);
        // The last qualifying slot wins; the type B values stay from the earlier slot.
        QCOMPARE(f.c.osc.slot(), 7);
        QCOMPARE(f.c.osc.text(OscEntry::Position), QStringLiteral("8"));
        QVERIFY(!f.c.osc.startOpen());
        QCOMPARE(f.c.osc.dcFlank(0), 1.5f);
        QCOMPARE(f.c.osc.text(OscEntry::DcFlank1), QStringLiteral("1.500"));
        QCOMPARE(f.c.osc.dcFlank(1), -0.25f);
        QCOMPARE(f.c.osc.text(OscEntry::DcFlank2), QStringLiteral("-0.250"));
        QCOMPARE(f.c.osc.dcTypeA(), quint16(0)); // a negative value keeps to the bottom of the range
    }

    void oscillogramRestoreIgnoresImpossibleDc() {
        ConsoleFixture f;
        f.write("data/hw.dat", hwFile({{2, 555, 0}}));
        SensorRecord a = SensorRecord::startupDefault();
        a.factory_number = 555;
        a.osc_active = 1;
        a.dc_component1 = std::numeric_limits<float>::quiet_NaN();
        f.write("VatrelA/555", a.encode());
        startUp(f.c);
        QCOMPARE(f.c.osc.slot(), 2);
        QCOMPARE(f.c.osc.dcTypeA(), quint16(0));
    }

    void rowColoursAndTexts() {
        ConsoleFixture f;
        startUp(f.c);
        SensorRecord r = SensorRecord::startupDefault();
        r.factory_number = 42;

        r.loop1_alarm = 1;
        fill(f, 0, r);
        QCOMPARE(f.c.sensorRows.colour(0), 0x536BF2u);
        QCOMPARE(sensorCell(f.c, 3, 1), QStringLiteral("Тревога"));
        QCOMPARE(sensorCell(f.c, 4, 1), QStringLiteral("Норма"));
        QCOMPARE(sensorCell(f.c, 2, 1), QStringLiteral("Ватрел-А"));

        r.loop1_alarm = 0;
        fill(f, 1, r);
        QCOMPARE(f.c.sensorRows.colour(1), 0x00FF00u);

        r.status = 3;
        fill(f, 2, r);
        QCOMPARE(sensorCell(f.c, 9, 3), QStringLiteral("Сопр.изол.ЧЭ2 ниже нормы"));
        QCOMPARE(f.c.sensorRows.colour(2), 0x536BF2u);

        // Unknown codes leave the state text empty and the colour as it was.
        for (int code : {1, 6, 12, 13, 14, 16, 255}) {
            r.status = code;
            fill(f, 3, r);
            QCOMPARE(sensorCell(f.c, 9, 4), QString());
            QCOMPARE(f.c.sensorRows.colour(3), 0xC0C0C0u);
        }

        // Loop flags other than 0 and 1 leave their cells.
        f.c.sensorRows.setLoop(4, 1, LoopCell::Normal);
        r.status = 15;
        r.loop1_alarm = 7;
        fill(f, 4, r);
        QCOMPARE(sensorCell(f.c, 3, 5), QStringLiteral("Норма"));
        QCOMPARE(f.c.sensorRows.colour(4), 0x0000ABu);

        // An empty slot's row is not touched.
        fill(f, 5, SensorRecord::startupDefault());
        QCOMPARE(sensorCell(f.c, 1, 6), QString());

        // Out-of-range slots are ignored.
        fillSensorRow(f.c.sensorRows, f.c.sensors, -1);
        fillSensorRow(f.c.sensorRows, f.c.sensors, 200);
    }

    void stateTexts_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "Норма";
        QTest::newRow("2") << 2 << "Сопр.изол.ЧЭ1 ниже нормы";
        QTest::newRow("3") << 3 << "Сопр.изол.ЧЭ2 ниже нормы";
        QTest::newRow("4") << 4 << "Обрыв ЧЭ 1";
        QTest::newRow("5") << 5 << "Обрыв ЧЭ 2";
        QTest::newRow("7") << 7 << "Разбаланс фл.(1>2)";
        QTest::newRow("8") << 8 << "Разбаланс фл.(2>1)";
        QTest::newRow("9") << 9 << "Ошибка ППЗУ";
        QTest::newRow("10") << 10 << "Сопр.изол.ЧЭ1 ниже нормы. Обрыв ЧЭ1";
        QTest::newRow("11") << 11 << "Сопр.изол.ЧЭ2 ниже нормы. Обрыв ЧЭ2";
        QTest::newRow("15") << 15 << "Нет связи";
        QTest::newRow("low 16 bits") << 0x10009 << "Ошибка ППЗУ";
        QTest::newRow("-1") << -1 << "";
    }
    void stateTexts() {
        QFETCH(int, status);
        QFETCH(QString, text);
        QCOMPARE(stateText(status), text);
    }

    void numbersByTypeAndLocale() {
        ConsoleFixture f;
        startUp(f.c);
        SensorRecord r = SensorRecord::startupDefault();
        r.factory_number = 3000000000u;
        r.threshold1 = 0.5f;
        r.threshold2 = 1023.0f;
        r.signal1_a = 0.1f;
        r.signal2_a = 2.0f;
        r.signal1_b = 7.25f;
        r.signal2_b = -3.0f;
        fill(f, 0, r);
        const QStringList typeA{"3000000000", "Ватрел-А", "Норма", "Норма", "0.5", "0.1", "1023", "2"};
        for (int col = 1; col <= 8; ++col)
            QCOMPARE(sensorCell(f.c, col, 1), typeA[col - 1]);

        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        r.sensor_type = 1;
        fill(f, 1, r);
        QCOMPARE(sensorCell(f.c, 2, 2), QStringLiteral("Ватрел-Б"));
        QCOMPARE(sensorCell(f.c, 5, 2), QStringLiteral("0,5"));
        QCOMPARE(sensorCell(f.c, 6, 2), QStringLiteral("7,25"));
        QCOMPARE(sensorCell(f.c, 7, 2), QStringLiteral("1023"));
        QCOMPARE(sensorCell(f.c, 8, 2), QStringLiteral("-3"));

        // The shortest text that reads back to the same float, never rounded to seven digits.
        r.threshold1 = 16777216.0f;
        r.threshold2 = 123456.79f;
        r.signal1_b = -0.001f;
        r.signal2_b = 1e20f;
        fill(f, 3, r);
        QCOMPARE(sensorCell(f.c, 5, 4), QStringLiteral("16777216"));
        QCOMPARE(sensorCell(f.c, 7, 4), QStringLiteral("123456,79"));
        QCOMPARE(sensorCell(f.c, 6, 4), QStringLiteral("-0,001"));
        QCOMPARE(sensorCell(f.c, 8, 4), QStringLiteral("1e+20"));

        // A type code other than 0 and 1 shows "Ватрел-Б" but leaves the signal cells.
        r.sensor_type = 2;
        f.c.sensorRows.setSignals(5, MeasureCell::whole(77), MeasureCell::whole(78));
        fill(f, 5, r);
        QCOMPARE(sensorCell(f.c, 2, 6), QStringLiteral("Ватрел-Б"));
        QCOMPARE(sensorCell(f.c, 6, 6), QStringLiteral("77"));
    }

    void exitSavesEverything() {
        ConsoleFixture f;
        const QByteArray hw = hwFile({{5, 1234, 1}, {150, 8, 0}}, 3);
        f.write("data/hw.dat", hw);
        SensorRecord first = armedTypeB();
        SensorRecord last = armedTypeB();
        last.connected_at = 45740.0;
        f.write("VatrelB/1234", first.encode() + last.encode());
        SensorRecord other = SensorRecord::startupDefault();
        other.factory_number = 8;
        other.slot_index = 150;
        f.write("VatrelA/8", other.encode());
        startUp(f.c);

        // The session runs: the sensor answers and reports measurements.
        SensorRecord& live = f.c.sensors.record(5);
        live.status = 0;
        live.loop1_alarm = 0;
        live.loop2_alarm = 0;
        live.threshold1 = 12.5f;
        live.signal1_b = 3.0f;
        live.link_up = 1;
        live.osc_command = 193;
        live.osc_active = 1;
        live.osc_values[2] = 4.0f;
        live.reserved112[0] = 5;
        live.loop2_armed = 1;

        saveAllOnExit(f.c.sensors, f.c.store);
        QVERIFY(f.ui.boxes.isEmpty());
        QCOMPARE(f.read("data/hw.dat"), hw);

        SensorRecord expected = last;
        expected.loop2_armed = 1;
        const QByteArray file = f.read("VatrelB/1234");
        QCOMPARE(file.size(), 464);
        QCOMPARE(file.left(232), first.encode());
        QCOMPARE(file.mid(232), expected.encode());
        QCOMPARE(f.read("VatrelA/8").size(), 232);
        QCOMPARE(f.c.sensors.record(150).status, 15);
        QCOMPARE(f.c.sensors.record(0).status, 15); // empty slots are reset too, but get no file
        QVERIFY(!f.exists("VatrelA/0"));
    }

    void oneConsolePerDataFolder() {
        ConsoleFixture f;
        const QString lockFile = f.file("vatrel-console.lock");
        {
            DataFolderLock first(f.dir.path());
            QCOMPARE(first.lock(), DataFolderLock::Result::Locked);
            QCOMPARE(first.startWarning(DataFolderLock::Result::Locked), QString());
            // A file system without locks: the console runs, and says that a second one would go unseen.
            QVERIFY(first.startWarning(DataFolderLock::Result::Unlocked)
                        .contains(QStringLiteral("не удалось заблокировать")));
            const QByteArray owner = f.read("vatrel-console.lock");
            const QStringList before = QDir(f.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

            DataFolderLock second(f.dir.path());
            QCOMPARE(second.lock(), DataFolderLock::Result::Busy);
            QCOMPARE(f.read("vatrel-console.lock"), owner);
            QCOMPARE(QDir(f.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
            QCOMPARE(DataFolderLock::busyText(QStringLiteral("/srv/post")),
                     QStringLiteral(
                         "В папке данных /srv/post уже работает другой пульт. Второй пульт не запущен"));
        }
        QVERIFY(!QFile::exists(lockFile)); // a console that ends frees the folder

        // What a crash or a power cut leaves in the file never keeps the next console out.
        const QList<QByteArray> leftovers{
            "999999999\nvatrel-console\n" + QSysInfo::machineHostName().toUtf8() + "\n",
            "4242\nvatrel-console\nother-host\n", "", QByteArray("\xff\x00garbage\n\x01", 12)};
        for (const QByteArray& content : leftovers) {
            f.write("vatrel-console.lock", content);
            DataFolderLock next(f.dir.path());
            QVERIFY2(next.lock() == DataFolderLock::Result::Locked, content.toHex().constData());
        }

        // A folder or a pipe in its place is refused at once (a pipe would wait for a writer), by name.
        QVERIFY(QDir(f.dir.path()).mkdir("vatrel-console.lock"));
        DataFolderLock lock(f.dir.path());
        QCOMPARE(lock.lock(), DataFolderLock::Result::NotAFile);
        QVERIFY(QDir(f.dir.path()).rmdir("vatrel-console.lock"));
        QCOMPARE(::mkfifo(QFile::encodeName(lockFile).constData(), 0600), 0);
        QCOMPARE(lock.lock(), DataFolderLock::Result::NotAFile);
        QCOMPARE(DataFolderLock::notAFileText(QStringLiteral("/srv/post/vatrel-console.lock")),
                 QStringLiteral("Файл блокировки /srv/post/vatrel-console.lock - не обычный файл (папка или "
                                "устройство). Пульт не запущен: удалите или переименуйте "
                                "/srv/post/vatrel-console.lock"));
    }

    void readOnlyDataFolder() {
        // With a lock file left from an earlier run the folder is still held against a second
        // console; without one nothing can be locked, and the console starts with a warning.
        SmallFileSystem disk;
        VATREL_REQUIRE_SMALL_FILE_SYSTEM(disk);
        QVERIFY(writeFile(disk.file("vatrel-console.lock"), ""));
        QVERIFY(disk.makeReadOnly());
        {
            DataFolderLock first(disk.path());
            QCOMPARE(first.lock(), DataFolderLock::Result::Locked);
            QCOMPARE(first.startWarning(DataFolderLock::Result::Locked),
                     DataFolderLock::readOnlyText(disk.path()));
            DataFolderLock second(disk.path());
            QCOMPARE(second.lock(), DataFolderLock::Result::Busy);
        }
        SmallFileSystem bare;
        QVERIFY(bare.makeReadOnly());
        DataFolderLock lock(bare.path());
        QCOMPARE(lock.lock(), DataFolderLock::Result::Unlocked);
        // Read-only is what the operator must hear of; the lock's absence follows from it.
        QCOMPARE(lock.startWarning(DataFolderLock::Result::Unlocked),
                 DataFolderLock::readOnlyText(bare.path()));
        QCOMPARE(DataFolderLock::readOnlyText(QStringLiteral("/srv/post")),
                 QStringLiteral("Папка данных /srv/post доступна только для чтения. Пульт работает, но "
                                "ничего не сохраняет: события, датчики и операторы не записываются"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
