// SPDX-License-Identifier: GPL-3.0-or-later
// The sensor table: positions out of range, lookups by number, the address map kept from records and
// the changes announced.
#include "core/Console.h"
#include "registry/SensorTable.h"

#include <QTest>

using namespace vatrel;

class TestSensorTable : public QObject {
    Q_OBJECT
private slots:
    // A sensor's link flag or row that changes is announced as that sensor's change, once; one set as
    // it was is not (a busy line repeats its reports many times a second).
    void changesAreAnnouncedOnce() {
        struct Heard : ChangeListener {
            QList<int> sensors;
            void sensorChanged(int slot, const SensorRecord&, const SensorRow&) override { sensors << slot; }
        } heard;
        Console c;
        c.notices.subscribe(&heard);
        c.sensors.setLinkUp(4, true);
        c.sensors.setLinkUp(4, true);
        QCOMPARE(c.sensors.record(4).link_up, qint16(1));
        c.sensors.setLinkUp(4, false);
        c.sensorRows.setColour(7, colours::green);
        c.sensorRows.setColour(7, colours::green);
        c.sensorRows.setThresholds(7, MeasureCell::fixed3(qQNaN()), MeasureCell::fixed3(0.0f));
        c.sensorRows.setThresholds(7, MeasureCell::fixed3(qQNaN()), MeasureCell::fixed3(0.0f));
        c.sensorRows.setThresholds(7, MeasureCell::fixed3(qQNaN()), MeasureCell::fixed3(-0.0f));
        QCOMPARE(heard.sensors, QList<int>({4, 4, 7, 7, 7}));
        c.notices.unsubscribe(&heard);
    }

    void positionsOutsideTheTableHoldNothing() {
        SensorTable t;
        for (int s = 0; s < kSlots; ++s) {
            t.record(s).factory_number = quint32(s + 1);
            t.setOnline(s, true);
        }
        for (int slot : {-1, kSlots, -32768, 32767}) {
            QVERIFY(!SensorTable::isSlot(slot));
            QVERIFY(!t.occupied(slot));
            QVERIFY(!t.isOnline(slot));
        }
        QVERIFY(t.occupied(kSlots - 1));
        QVERIFY(t.isOnline(0));
    }

    void lookupsAndAddressMap() {
        SensorTable t;
        t.record(3) = {.mark = 1, .factory_number = 0x12345, .sensor_type = 1, .slot_index = 9};
        t.record(8) = {.mark = 1, .factory_number = 0x12345, .sensor_type = 0};
        QCOMPARE(t.findSlot(0x12345), 3); // the position, not the stored slot_index
        QCOMPARE(t.findSlot(0x2345), -1);
        QCOMPARE(t.findSlot(0), 0);
        QCOMPARE(t.count(), 2);
        QVERIFY(t.busNumberTaken(0x2345)); // the bus carries the low 16 bits
        QVERIFY(!t.busNumberTaken(0));

        t.setAddressEntry(5, {kDeviceCode, 777}); // a slot emptied since: its entry goes
        t.mapAllAddresses();
        QCOMPARE(t.addressEntry(3).device_code, kDeviceCode);
        QCOMPARE(t.addressEntry(3).factory_number, quint16(0x2345));
        QCOMPARE(t.addressEntry(5).device_code, quint8(0));
        QCOMPARE(t.addressEntry(5).factory_number, quint16(0));
    }
};

QTEST_GUILESS_MAIN(TestSensorTable)
#include "tst_sensortable.moc"
