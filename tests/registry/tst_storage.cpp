// SPDX-License-Identifier: GPL-3.0-or-later
// Stored files: hardware file, per-sensor settings files, operator list.
#include "common/ConsoleFixture.h"
#include "common/DataFiles.h"
#include "common/SmallFileSystem.h"
#include "registry/OperatorList.h"
#include "registry/Storage.h"

#include <QDir>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

// Root reads a file whatever its mode. While this lives the test's thread does not, so a file
// without read permission is unreadable to it as to anybody else.
class FileModesEnforced {
public:
    FileModesEnforced() {
        __user_cap_data_struct lowered[2] = {};
        m_ok = ::syscall(SYS_capget, &m_header, m_saved) == 0;
        std::copy(std::begin(m_saved), std::end(m_saved), lowered);
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_ok = m_ok && ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~FileModesEnforced() { ::syscall(SYS_capset, &m_header, m_saved); }
    bool ok() const { return m_ok; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_ok = false;
};

SensorRecord sensor(quint32 number, qint16 type, qint16 slot) {
    SensorRecord r = SensorRecord::startupDefault();
    r.factory_number = number;
    r.sensor_type = type;
    r.slot_index = slot;
    return r;
}

QByteArray operatorRecord(quint8 deleted, const QByteArray& surnameCp1251) {
    QByteArray b(40, '\0');
    b[0] = 1;
    b[1] = char(deleted);
    b.replace(2, qMin<qsizetype>(38, surnameCp1251.size()), surnameCp1251.left(38));
    return b;
}

} // namespace

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    // --- hardware file -------------------------------------------------------------------
    void hwFirstRunCreatesEmptyFile() {
        ConsoleFixture f;
        f.c.ports.choose(12);
        f.c.sensors.record(3).factory_number = 5;
        const int shown = f.ui.changes[int(ConsoleUi::View::PortChoice)];
        f.c.store.loadSensors();
        QCOMPARE(f.read("data/hw.dat"), QByteArray(1202, '\0'));
        QCOMPARE(f.c.ports.index(), 0);
        QCOMPARE(f.c.sensors.record(3).factory_number, 0u);
        QCOMPARE(f.c.sensors.record(3).slot_index, qint16(3));
        QCOMPARE(f.ui.changes[int(ConsoleUi::View::PortChoice)], shown + 1);
    }

    void hwLoadAndSaveRoundTrip() {
        ConsoleFixture f;
        const QByteArray image = hwFile({{5, 1234, 1}, {0, 0xFFFFFFFB, 0}, {199, 65536 + 7, 2}}, 3);
        f.write("data/hw.dat", image);
        f.c.store.loadSensors();
        QCOMPARE(f.c.sensors.record(5).factory_number, 1234u);
        QCOMPARE(f.c.sensors.record(5).sensor_type, qint16(1));
        QCOMPARE(f.c.sensors.record(5).slot_index, qint16(5));
        QVERIFY(f.c.sensors.record(5).occupied());
        QCOMPARE(f.c.sensors.record(0).factory_number, 0xFFFFFFFBu);
        QCOMPARE(f.c.sensors.record(199).factory_number, 65543u);
        QCOMPARE(f.c.sensors.record(199).sensor_type, qint16(2));
        QCOMPARE(f.c.ports.index(), 3);
        QCOMPARE(PortChoice::name(f.c.ports.index()), QStringLiteral("COM4"));

        f.c.store.saveSensors();
        QCOMPARE(f.read("data/hw.dat"), image);
        // The save went through a temporary file that is gone afterwards.
        QCOMPARE(QDir(f.file("data")).entryList(QDir::Files), QStringList{"hw.dat"});
    }

    void hwSaveWritesTableAndPort() {
        ConsoleFixture f;
        f.c.sensors.record(1).factory_number = 0x0A0B0C0D;
        f.c.sensors.record(1).sensor_type = 1;
        f.c.ports.choose(70);
        f.c.store.saveSensors();
        QByteArray expected(1202, '\0');
        expected.replace(6, 6, QByteArray::fromHex("0d0c0b0a0100"));
        expected.replace(1200, 2, QByteArray::fromHex("4600"));
        QCOMPARE(f.read("data/hw.dat"), expected);
    }

    void hwPortIndexOutOfRange() {
        ConsoleFixture f;
        f.write("data/hw.dat", hwFile({}, 70));
        f.c.store.loadSensors();
        QCOMPARE(f.c.ports.index(), 70); // the empty item is still an item of the list
        f.write("data/hw.dat", hwFile({}, 71));
        f.c.store.loadSensors();
        QCOMPARE(f.c.ports.index(), 0);
        f.write("data/hw.dat", hwFile({}, 0xFFFF));
        f.c.store.loadSensors();
        QCOMPARE(f.c.ports.index(), 0);
    }

    void hwShortFile() {
        ConsoleFixture f;
        f.c.sensors.record(3).factory_number = 99;
        f.c.ports.choose(5);
        // Three whole records and four bytes of a fourth.
        const QByteArray image = hwFile({{0, 11, 0}, {2, 33, 1}, {3, 44, 1}}, 3).left(22);
        f.write("data/hw.dat", image);
        f.c.store.loadSensors();
        QCOMPARE(f.c.sensors.record(0).factory_number, 11u);
        QCOMPARE(f.c.sensors.record(2).factory_number, 33u);
        QCOMPARE(f.c.sensors.record(2).sensor_type, qint16(1));
        QCOMPARE(f.c.sensors.record(3).factory_number, 0u);
        QCOMPARE(f.c.ports.index(), 0);
        QCOMPARE(f.read("data/hw.dat"), image); // loading does not rewrite it

        f.write("data/hw.dat", QByteArray());
        f.c.store.loadSensors();
        QCOMPARE(f.c.sensors.count(), 0);
    }

    void hwSaveLeftoversRemovedAtStart() {
        ConsoleFixture f;
        const QByteArray image = hwFile({{0, 77, 0}}, 0);
        f.write("data/hw.dat", image);
        f.write("data/hw.dat.Ab3xY9", QByteArray(100, '\0')); // a save cut short
        f.write("data/hw.dat.bak", "keep");                   // not ours: left alone
        f.write("data/hw.dat.Ab3xY", "keep");
        f.c.store.loadSensors();
        QVERIFY(!f.exists("data/hw.dat.Ab3xY9"));
        QVERIFY(f.exists("data/hw.dat.bak"));
        QVERIFY(f.exists("data/hw.dat.Ab3xY"));
        QCOMPARE(f.read("data/hw.dat"), image);
        QCOMPARE(f.c.sensors.record(0).factory_number, 77u);
    }

    void hwWithoutDataFolder() {
        ConsoleFixture f(QStringList{});
        f.c.sensors.record(4) = sensor(77, 0, 4);
        f.c.ports.choose(2);
        f.ui.expectMessage(QStringLiteral("Ini_Hw: не открылся файл hw.dat"), QStringLiteral("Ошибка"));
        f.c.store.loadSensors();
        QCOMPARE(f.c.sensors.record(4).factory_number, 77u); // nothing loaded
        QCOMPARE(f.c.ports.index(), 2);
        f.ui.expectMessage(QStringLiteral("Save_Hw: не открылся файл hw.dat"), QStringLiteral("Ошибка"));
        f.c.store.saveSensors();
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.ui.boxes.size(), 2);
        QCOMPARE(f.ui.boxes[1].icon, ConsoleUi::Icon::Error);
    }

    void hwUnreadableFileIsNotReplaced() {
        ConsoleFixture f;
        const QByteArray image = hwFile({{5, 1234, 1}}, 3);
        f.write("data/hw.dat", image);
        QVERIFY(QFile::setPermissions(f.file("data/hw.dat"), QFileDevice::WriteOwner));
        {
            FileModesEnforced enforced;
            QVERIFY(enforced.ok());
            QVERIFY(!QFile(f.file("data/hw.dat")).open(QIODevice::ReadOnly));
            f.ui.expectMessage(QStringLiteral("Ini_Hw: не открылся файл hw.dat"));
            f.c.store.loadSensors();
            QVERIFY(f.ui.allExpectedShown());
        }
        QFile::setPermissions(f.file("data/hw.dat"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(f.read("data/hw.dat"), image);
    }

    void fullDiskNeverShortensStoredFiles() {
        // A file system with no free block: the start-up's emptying of a slot without settings file
        // and the exit save each fail with their box; hw.dat keeps its content, and nothing is left.
        SmallFileSystem disk;
        VATREL_REQUIRE_SMALL_FILE_SYSTEM(disk);
        ConsoleFixture f;
        f.c.data_dir = disk.path();
        QVERIFY(QDir(disk.path()).mkpath("data"));
        const QByteArray image = hwFile({{0, 1234, 0}}, 3);
        QVERIFY(writeFile(disk.file("data/hw.dat"), image));
        f.c.store.loadSensors();
        disk.fill();
        f.ui.expectMessage(QStringLiteral("Ini_sm: не открылся файл VatrelA\\1234"));
        f.ui.expectMessage(QStringLiteral("Save_Hw: не открылся файл hw.dat"), QStringLiteral("Ошибка"));
        f.c.store.loadSensorSettings();
        f.c.sensors.record(7).factory_number = 555;
        f.ui.expectMessage(QStringLiteral("Save_Hw: не открылся файл hw.dat"));
        f.c.store.saveSensors();
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(readFile(disk.file("data/hw.dat")), image);
        QCOMPARE(QDir(disk.file("data")).entryList(QDir::Files), QStringList{"hw.dat"});
    }

    void specialFilesAreRefusedLikeUnreadableOnes() {
        // A named pipe would wait for a writer, /dev/zero never ends: each is refused at once with
        // the box of a file that cannot be opened.
        ConsoleFixture f;
        const auto fifo = [&f](const QString& fragment) {
            QCOMPARE(::mkfifo(QFile::encodeName(f.file(fragment)).constData(), 0600), 0);
        };
        fifo("data/hw.dat");
        fifo("data/chop.dat");
        f.ui.expectMessage(QStringLiteral("Ini_Hw: не открылся файл hw.dat"), QStringLiteral("Ошибка"));
        f.ui.expectMessage(QStringLiteral("Ini_chop: не открылся файл chop.dat"));
        f.c.store.loadSensors();
        f.c.operators.load(f.c.data_dir, f.c.ui);

        QVERIFY(QFile::remove(f.file("data/hw.dat")));
        f.write("data/hw.dat", hwFile({{0, 1234, 0}}));
        f.c.store.loadSensors();
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), f.file("VatrelA/1234")));
        f.ui.expectMessage(QStringLiteral("Ini_sm: не открылся файл VatrelA\\1234"));
        f.c.store.loadSensorSettings();
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.c.sensors.record(0).factory_number, 0u);
    }

    // --- settings files ------------------------------------------------------------------
    void settingsAppendAndRewriteLast() {
        ConsoleFixture f;
        SensorRecord first = sensor(1234, 0, 3);
        first.status = 15;
        f.c.store.saveSensorSettings(first, 'a');
        QCOMPARE(f.read("VatrelA/1234"), first.encode());

        SensorRecord second = first;
        second.connected_at = 45748.5;
        f.c.store.saveSensorSettings(second, 'a');
        SensorRecord updated = second;
        updated.disconnected_at = 45749.0;
        updated.disconnected_by = 4;
        f.c.store.saveSensorSettings(updated, 'u');
        QCOMPARE(f.read("VatrelA/1234"), first.encode() + updated.encode());

        f.c.store.saveSensorSettings(sensor(1234, 1, 3), 'a'); // the other type writes to the other folder
        QCOMPARE(f.read("VatrelB/1234").size(), 232);
        QCOMPARE(f.read("VatrelA/1234").size(), 464);
        QVERIFY(f.ui.boxes.isEmpty());
    }

    void settingsPathsUseUnsignedNumber() {
        QCOMPARE(settingsFragment(1234, 0), QStringLiteral("VatrelA/1234"));
        QCOMPARE(settingsFragment(1234, 1), QStringLiteral("VatrelB/1234"));
        QCOMPARE(settingsFragment(1234, -7), QStringLiteral("VatrelB/1234"));
        QCOMPARE(settingsFragment(0x80000000u, 0), QStringLiteral("VatrelA/2147483648"));
    }

    void settingsRewriteNeedsExistingFile() {
        ConsoleFixture f;
        f.ui.expectMessage(QStringLiteral("Save_sm: не открылся файл VatrelA\\1234"),
                           QStringLiteral("Ошибка"));
        f.c.store.saveSensorSettings(sensor(1234, 0, 0), 'u');
        QVERIFY(f.ui.allExpectedShown());
        QVERIFY(!f.exists("VatrelA/1234"));

        ConsoleFixture g({"data"});
        g.ui.expectMessage(QStringLiteral("Save_sm: не открылся файл VatrelB\\4294967295"));
        g.c.store.saveSensorSettings(sensor(0xFFFFFFFF, 1, 0), 'a');
    }

    void settingsRewriteWithPartialTail() {
        ConsoleFixture f;
        const SensorRecord a = sensor(55, 0, 1);
        const QByteArray tail(100, '\x5a');
        f.write("VatrelA/55", a.encode() + a.encode() + tail);
        SensorRecord b = a;
        b.loop1_armed = 1;
        f.c.store.saveSensorSettings(b, 'u');
        // The last whole record is replaced; the partial tail stays where it was.
        QCOMPARE(f.read("VatrelA/55"), a.encode() + b.encode() + tail);

        f.write("VatrelA/56", tail);
        f.c.store.saveSensorSettings(sensor(56, 0, 0), 'u');
        QCOMPARE(f.read("VatrelA/56"), sensor(56, 0, 0).encode());
    }

    void settingsFactoryZeroAndBadMode() {
        ConsoleFixture f;
        f.c.store.saveSensorSettings(sensor(0, 0, 0), 'a');
        f.c.store.saveSensorSettings(sensor(0, 1, 0), 'u');
        QVERIFY(QDir(f.file("VatrelA")).isEmpty());
        QVERIFY(QDir(f.file("VatrelB")).isEmpty());

        f.ui.expectMessage(QStringLiteral("Save_sm: передан неверный параметр"), QString(""));
        f.c.store.saveSensorSettings(sensor(1234, 0, 0), 'x');
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.ui.boxes[0].icon, ConsoleUi::Icon::None);
        QVERIFY(!f.exists("VatrelA/1234"));
    }

    void loadMissingSettingsEmptiesSlot() {
        ConsoleFixture f;
        f.write("data/hw.dat", hwFile({{5, 1234, 1}, {6, 99, 0}}, 2));
        f.c.store.loadSensors();
        f.c.store.saveSensorSettings(sensor(99, 0, 6), 'a');
        f.ui.expectMessage(QStringLiteral("Ini_sm: не открылся файл VatrelB\\1234"),
                           QStringLiteral("Ошибка"));
        f.c.store.loadSensorSettings();
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.ui.boxes.size(), 1);
        QCOMPARE(f.c.sensors.record(5).factory_number, 0u);
        QCOMPARE(f.c.sensors.record(5).sensor_type, qint16(0));
        QCOMPARE(f.c.sensors.record(6).factory_number, 99u);
        QCOMPARE(f.read("data/hw.dat"), hwFile({{6, 99, 0}}, 2));
    }

    void loadKeepsLastWholeRecord() {
        ConsoleFixture f;
        f.write("data/hw.dat", hwFile({{5, 1234, 1}, {8, 4321, 0}}));
        f.c.store.loadSensors();
        SensorRecord older = sensor(1234, 1, 5);
        SensorRecord newer = older;
        newer.loop2_armed = 1;
        newer.dc_component1 = 2.5f;
        newer.slot_index = 17; // saved from another position
        newer.status = 15;
        f.write("VatrelB/1234", older.encode() + newer.encode() + QByteArray(231, '\x01'));
        // A file shorter than one record leaves the slot as the hardware file gave it.
        f.write("VatrelA/4321", QByteArray(100, '\x7f'));
        f.c.store.loadSensorSettings();
        QVERIFY(f.ui.boxes.isEmpty());

        const SensorRecord& s5 = f.c.sensors.record(5);
        QCOMPARE(s5.loop2_armed, quint8(1));
        QCOMPARE(s5.dc_component1, 2.5f);
        QCOMPARE(s5.status, 15);
        QCOMPARE(s5.slot_index, qint16(5));

        const SensorRecord& s8 = f.c.sensors.record(8);
        QCOMPARE(s8.factory_number, 4321u);
        QCOMPARE(s8.slot_index, qint16(8));
        QCOMPARE(s8.status, 0);
        QCOMPARE(s8.loop1_alarm, quint8(0));
    }

    // --- operator list -------------------------------------------------------------------
    void operatorsAddDeleteAdd() {
        ConsoleFixture f;
        const QString dir = f.dir.path();
        OperatorList l;
        l.load(dir, &f.ui);
        QVERIFY(f.exists("data/chop.dat"));
        QCOMPARE(l.count(), 0);

        QCOMPARE(l.add(dir, &f.ui, QStringLiteral("Петров")), 0);
        QCOMPARE(l.add(dir, &f.ui, QStringLiteral("Сидоров")), 1);
        QVERIFY(l.remove(dir, &f.ui, 0));
        QCOMPARE(l.add(dir, &f.ui, QStringLiteral("Кузнецов")), 1);

        const QByteArray file = f.read("data/chop.dat");
        QCOMPARE(file.size(), 120);
        QCOMPARE(file.left(40), operatorRecord(1, "\xcf\xe5\xf2\xf0\xee\xe2"));
        QCOMPARE(file.mid(40, 40), operatorRecord(0, "\xd1\xe8\xe4\xee\xf0\xee\xe2"));
        QCOMPARE(file.mid(80, 40), operatorRecord(0, "\xca\xf3\xe7\xed\xe5\xf6\xee\xe2"));

        QCOMPARE(l.count(), 2);
        QCOMPARE(l.nextId(), 3);
        QCOMPARE(l.surname(0), QStringLiteral("Сидоров"));
        QCOMPARE(l.operatorId(0), qint16(1));
        QCOMPARE(l.surname(1), QStringLiteral("Кузнецов"));
        QCOMPARE(l.operatorId(1), qint16(2));
        QCOMPARE(l.surname(2), QString()); // no such entry
        QCOMPARE(l.operatorId(2), qint16(-1));

        bool ok = false;
        QCOMPARE(OperatorList::storedSurname(dir, &f.ui, 0, &ok), QStringLiteral("Петров")); // deleted
        QVERIFY(ok);
    }

    void operatorsListCapped() {
        ConsoleFixture f;
        QByteArray file;
        for (int i = 0; i < 60; ++i) {
            file += operatorRecord(0, "N" + QByteArray::number(i));
            if (i == 10) file += operatorRecord(1, "gone");
        }
        f.write("data/chop.dat", file);
        OperatorList l;
        l.load(f.dir.path(), &f.ui);
        QCOMPARE(l.count(), 50);
        QVERIFY(l.isFull());
        // 50 active records and one deleted one come before the 51st active record.
        QCOMPARE(l.nextId(), 51);
        const std::vector<OperatorEntry>& e = l.entries();
        QCOMPARE(e.size(), size_t(50));
        QCOMPARE(e[10].surname, QStringLiteral("N10"));
        QCOMPARE(e[11].surname, QStringLiteral("N11"));
        QCOMPARE(e[11].operator_id, qint16(12));
        QCOMPARE(e[49].surname, QStringLiteral("N49"));
        QCOMPARE(e[49].operator_id, qint16(50));
    }

    void operatorSurnamesCut() {
        ConsoleFixture f;
        const QString dir = f.dir.path();
        f.write("data/chop.dat", operatorRecord(0, QByteArray(20, '\xc0')) +
                                     operatorRecord(0, QByteArray(38, '\xdf')) +
                                     QByteArray(25, '\x01')); // a partial record at the end is ignored
        OperatorList l;
        l.load(dir, &f.ui);
        QCOMPARE(l.count(), 2);
        QCOMPARE(l.nextId(), 2);
        QCOMPARE(l.surname(0), QString(16, QChar(0x0410)));
        QCOMPARE(l.surname(1), QString(16, QChar(0x042F)));
        QCOMPARE(OperatorList::storedSurname(dir, &f.ui, 0), QString(20, QChar(0x0410)));
        QCOMPARE(OperatorList::storedSurname(dir, &f.ui, 1), QString(38, QChar(0x042F)));

        // A new surname takes the partial record's place, at the position its ID names.
        QCOMPARE(l.add(dir, &f.ui, QString(16, QChar(0x0411))), 2);
        const QByteArray stored = f.read("data/chop.dat");
        QCOMPARE(stored.size(), 120);
        QCOMPARE(stored.right(40), operatorRecord(0, QByteArray(16, '\xc1')));
    }

    void operatorIdsOutsideFile() {
        ConsoleFixture f;
        const QString dir = f.dir.path();
        const QByteArray file = operatorRecord(0, "A") + operatorRecord(0, "B");
        f.write("data/chop.dat", file);
        OperatorList l;
        l.load(dir, &f.ui);
        for (qint16 id : {qint16(-1), qint16(2), qint16(1000), qint16(-32768)}) {
            bool ok = true;
            QCOMPARE(OperatorList::storedSurname(dir, &f.ui, id, &ok), QString());
            QVERIFY(!ok);
        }
        // The file lost B's record after it was read: deleting B changes nothing in it.
        f.write("data/chop.dat", operatorRecord(0, "A"));
        QVERIFY(l.remove(dir, &f.ui, 1));
        QCOMPARE(f.read("data/chop.dat"), operatorRecord(0, "A"));
        QVERIFY(!l.remove(dir, &f.ui, 1)); // the reloaded list has no entry 1
        QVERIFY(!l.remove(dir, &f.ui, -1));
        QVERIFY(f.ui.boxes.isEmpty());
        f.write("data/chop.dat", file);
        l.load(dir, &f.ui);
        QVERIFY(l.remove(dir, &f.ui, 1));
        QCOMPARE(f.read("data/chop.dat"), operatorRecord(0, "A") + operatorRecord(1, "B"));
    }

    void operatorFileMissing() {
        ConsoleFixture f(QStringList{});
        const QString dir = f.dir.path();
        const QString ini = QStringLiteral("Ini_chop: не открылся файл chop.dat");
        for (const QString& text : {ini, QStringLiteral("Add_chop: не открылся файл chop.dat"), ini,
                                    QStringLiteral("Del_chop: не открылся файл chop.dat"), ini,
                                    QStringLiteral("Read_chop: не открылся файл chop.dat")})
            f.ui.expectMessage(text, QStringLiteral("Ошибка"));
        OperatorList l;
        l.load(dir, &f.ui);
        QCOMPARE(l.count(), 0);
        QCOMPARE(l.add(dir, &f.ui, QStringLiteral("Петров")), -1); // and the list is read again
        QCOMPARE(l.count(), 0);
        // The folder goes away after the list was read.
        QVERIFY(QDir(dir).mkpath("data"));
        f.write("data/chop.dat", operatorRecord(0, "A"));
        l.load(dir, &f.ui);
        QVERIFY(QDir(f.file("data")).removeRecursively());
        QVERIFY(l.remove(dir, &f.ui, 0));
        QCOMPARE(l.count(), 0);
        bool ok = true;
        QCOMPARE(OperatorList::storedSurname(dir, &f.ui, 0, &ok), QString());
        QVERIFY(!ok);
    }

    void cancelledAddWritesNothing() {
        ConsoleFixture f;
        OperatorList l;
        l.load(f.dir.path(), &f.ui);
        QCOMPARE(l.add(f.dir.path(), &f.ui, QString()), -1); // no surname: nothing to write
        QCOMPARE(f.read("data/chop.dat"), QByteArray());
        QCOMPARE(l.count(), 0);
        QVERIFY(f.ui.boxes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
