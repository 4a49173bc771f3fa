// SPDX-License-Identifier: GPL-3.0-or-later
// Record images, cp1251 texts and stored date-times: the byte and text forms shared with data
// folders of earlier installations.
#include "registry/Cp1251.h"
#include "registry/DateTime.h"
#include "registry/NumberFormat.h"
#include "registry/Records.h"

#include <ctime>

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>
#include <limits>

using namespace vatrel;

namespace {

struct Span {
    int offset;
    const char* hex;
};

// Checks the listed byte runs and that every byte not listed is zero.
void compareImage(const QByteArray& image, int size, std::initializer_list<Span> spans) {
    QCOMPARE(image.size(), size);
    QByteArray expected(size, '\0');
    for (const Span& s : spans) {
        const QByteArray bytes = QByteArray::fromHex(s.hex);
        expected.replace(s.offset, bytes.size(), bytes);
    }
    for (int i = 0; i < size; ++i)
        if (image[i] != expected[i])
            QFAIL(qPrintable(QStringLiteral("byte %1: got %2, expected %3")
                                 .arg(i)
                                 .arg(quint8(image[i]), 2, 16, QLatin1Char('0'))
                                 .arg(quint8(expected[i]), 2, 16, QLatin1Char('0'))));
}

SensorRecord everyFieldSet() {
    SensorRecord r;
    r.mark = 1;
    r.factory_number = 0x12345678;
    r.sensor_type = 1;
    r.slot_index = 199;
    r.connected_at = 45000.5;
    r.connected_by = 7;
    r.disconnected_at = -1.25;
    r.disconnected_by = -1;
    r.reserved44 = 0xA1B2C3D4;
    r.loop1_armed = 1;
    r.loop2_armed = 2;
    r.status = -2;
    r.loop1_alarm = 1;
    r.loop2_alarm = 3;
    r.threshold1 = 1.5f;
    r.threshold2 = -2.0f;
    r.dc_component1 = 0.25f;
    r.dc_component2 = 100.0f;
    r.signal1_a = 3.0f;
    r.signal2_a = 4.0f;
    r.signal1_b = 5.0f;
    r.signal2_b = 6.0f;
    r.link_up = 1;
    r.osc_command = 193;
    r.osc_active = -3;
    r.reserved98 = {0x0102, 0, 0, 0, 0, 0, 0x0304};
    r.reserved112 = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0x7FFFFFFF};
    r.reserved152 = {-1, 0, 0, 0, 0, 0, 0, 0, 0, 2};
    r.osc_values = {1.0f, 0, 0, 2.0f, 0, 0, 0, 0, 0, -1.0f};
    return r;
}

const std::initializer_list<Span> kEveryFieldSpans = {
    {0, "01"},
    {4, "78563412"},
    {8, "0100"},
    {10, "c700"},
    {16, "0000000010f9e540"},
    {24, "0700"},
    {32, "000000000000f4bf"},
    {40, "ffff"},
    {44, "d4c3b2a1"},
    {48, "0102"},
    {52, "feffffff"},
    {56, "0103"},
    {60, "0000c03f"},
    {64, "000000c0"},
    {68, "0000803e"},
    {72, "0000c842"},
    {76, "00004040"},
    {80, "00008040"},
    {84, "0000a040"},
    {88, "0000c040"},
    {92, "0100"},
    {94, "c100"},
    {96, "fdff"},
    {98, "0201"},
    {110, "0403"},
    {112, "01000000"},
    {148, "ffffff7f"},
    {152, "ffffffff"},
    {188, "02000000"},
    {192, "0000803f"},
    {204, "00000040"},
    {228, "000080bf"},
};

} // namespace

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void sensorRecordImage() {
        const SensorRecord r = everyFieldSet();
        compareImage(r.encode(), 232, kEveryFieldSpans);

        // Decoding the image gives back every field, and encoding that again the same bytes.
        SensorRecord back;
        QVERIFY(back.decode(r.encode()));
        QCOMPARE(back.factory_number, 0x12345678u);
        QCOMPARE(back.slot_index, qint16(199));
        QCOMPARE(back.disconnected_by, qint16(-1));
        QCOMPARE(back.status, -2);
        QCOMPARE(back.osc_active, qint16(-3));
        QCOMPARE(back.reserved152[0], -1);
        QCOMPARE(back.osc_values[9], -1.0f);
        QCOMPARE(back.encode(), r.encode());
    }

    void sensorRecordShortInput() {
        SensorRecord r = everyFieldSet();
        QVERIFY(!r.decode(QByteArray(231, '\x11')));
        QCOMPARE(r.factory_number, 0x12345678u); // left as it was
        QVERIFY(!r.decode(QByteArray()));
    }

    void sensorRecordLifecycleValues() {
        const SensorRecord d = SensorRecord::startupDefault();
        compareImage(d.encode(), 232, {{0, "01"}, {40, "ffff"}});

        SensorRecord r = everyFieldSet();
        r.resetLiveState();
        // Identity, history, armed flags and DC components stay; live fields are cleared, the
        // state is "no link" with both loops in alarm.
        compareImage(r.encode(), 232,
                     {{0, "01"},
                      {4, "78563412"},
                      {8, "0100"},
                      {10, "c700"},
                      {16, "0000000010f9e540"},
                      {24, "0700"},
                      {32, "000000000000f4bf"},
                      {40, "ffff"},
                      {44, "d4c3b2a1"},
                      {48, "0102"},
                      {52, "0f000000"},
                      {56, "0101"},
                      {68, "0000803e"},
                      {72, "0000c842"}});
    }

    void eventRecordImage() {
        EventRecord e;
        e.mark = 1;
        e.factory_number = 1234;
        e.time = 45000.5;
        e.code = -5;
        e.text = QStringLiteral("Датчик № 1");
        compareImage(
            e.encode(), 328,
            {{0, "01"}, {4, "d2040000"}, {8, "0000000010f9e540"}, {16, "fb"}, {38, "c4e0f2f7e8ea20b92031"}});

        EventRecord back;
        QVERIFY(back.decode(e.encode()));
        QCOMPARE(back.factory_number, 1234u);
        QCOMPARE(back.time, 45000.5);
        QCOMPARE(back.code, qint8(-5));
        QCOMPARE(back.text, QStringLiteral("Датчик № 1"));
        QVERIFY(!back.decode(QByteArray(327, '\0')));
    }

    void eventRecordTextCutToField() {
        EventRecord e;
        e.text = QString(300, QChar(0x0416)); // "Ж"
        const QByteArray image = e.encode();
        QCOMPARE(image.size(), 328);
        QCOMPARE(image.mid(38, 289), QByteArray(289, '\xc6'));
        QCOMPARE(image[327], '\0');
        EventRecord back;
        QVERIFY(back.decode(image));
        QCOMPARE(back.text.size(), 289);
    }

    void operatorRecordImage() {
        OperatorRecord o;
        o.mark = 1;
        o.deleted = 1;
        o.surname = QStringLiteral("Иванов");
        compareImage(o.encode(), 40, {{0, "0101"}, {2, "c8e2e0edeee2"}});

        OperatorRecord back;
        QVERIFY(back.decode(o.encode()));
        QCOMPARE(back.deleted, quint8(1));
        QCOMPARE(back.surname, QStringLiteral("Иванов"));

        // A surname too long for the field is stored cut, with its terminator.
        o.surname = QString(40, QChar(0x0411));
        QCOMPARE(o.encode().mid(2), QByteArray(37, '\xc1') + '\0');
    }

    void operatorSurnameWithoutNul() {
        // A field filled to the end without a terminator is read within its 38 bytes only.
        QByteArray raw(40, '\xdf'); // "Я"
        raw[0] = 1;
        raw[1] = 0;
        OperatorRecord o;
        QVERIFY(o.decode(raw));
        QCOMPARE(o.surname, QString(38, QChar(0x042F)));
        QVERIFY(!o.decode(raw.left(39)));
    }

    void cp1251RoundTrip() {
        const QString text = QStringLiteral("Пульт управления охранными сетевыми датчиками Ватрел ёЁ№");
        QCOMPARE(cp1251::decode(cp1251::encode(text)), text);
        QCOMPARE(cp1251::encode(QStringLiteral("Ёж")), QByteArray("\xa8\xe6"));
        QCOMPARE(cp1251::decode(QByteArray("\xc2\xe7\xff\xf2")), QStringLiteral("Взят"));
        QCOMPARE(cp1251::encodeField(QStringLiteral("Сидоров"), 4), QByteArray("\xd1\xe8\xe4"));
        QCOMPARE(cp1251::decodeField(QByteArray("\xd8\x31\0\xd8\xd8", 5)), QStringLiteral("Ш1"));

        // The quick mapping of Latin and Russian letters gives what the code page converter gives,
        // for every character and every byte, alone and within a text (the converter's own answer
        // for the characters the mapping leaves to it).
        QStringEncoder enc("windows-1251", QStringConverter::Flag::Stateless);
        QStringDecoder dec("windows-1251", QStringConverter::Flag::Stateless);
        for (int u = 0; u <= 0xFFFF; ++u) {
            const QString one{QChar(char16_t(u))};
            const QString within = QStringLiteral("Шлейф ") + one + QStringLiteral(" 2");
            if (cp1251::encode(one) != QByteArray(enc.encode(one)) ||
                cp1251::encode(within) != QByteArray(enc.encode(within)))
                QFAIL(qPrintable(QStringLiteral("U+%1 encodes differently").arg(u, 4, 16, QLatin1Char('0'))));
        }
        for (int b = 0; b <= 0xFF; ++b) {
            const QByteArray within = QByteArray("\xd8\xeb ") + char(b) + QByteArray(" 2");
            QCOMPARE(cp1251::decode(within), QString(dec.decode(within)));
        }
    }

    void dateConversion() {
        QCOMPARE(toDays(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
        QCOMPARE(toDays(QDateTime(QDate(2025, 4, 1), QTime(12, 0))), 45748.5);
        QCOMPARE(toDays(QDateTime(QDate(2025, 4, 1), QTime(18, 0))), 45748.75);
        QCOMPARE(fromDays(45748.25), QDateTime(QDate(2025, 4, 1), QTime(6, 0)));
        QCOMPARE(fromDays(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));

        const QDateTime t(QDate(2024, 2, 29), QTime(23, 59, 58));
        QCOMPARE(fromDays(toDays(t)), t);

        QCOMPARE(formatDateTime(45748.5), QStringLiteral("01.04.2025 12:00:00"));
        QCOMPARE(formatDateTime(45748.0), QStringLiteral("01.04.2025")); // midnight: the date alone
        QCOMPARE(formatDateTime(0.75), QStringLiteral("18:00:00"));      // under a day: the time alone
        QCOMPARE(formatDate(QDate(2025, 3, 9)), QStringLiteral("09.03.2025"));

        // Values no calendar holds give no text rather than garbage.
        QCOMPARE(formatDateTime(std::numeric_limits<double>::quiet_NaN()), QString());
        QCOMPARE(formatDateTime(1e300), QString());

        // Stored values are wall-clock time: the text is the stored time even where the machine's
        // zone skips it (clocks put forward at 02:00).
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        QCOMPARE(formatDateTime(45746 + 2.5 / 24), QStringLiteral("30.03.2025 02:30:00"));
        qputenv("TZ", "UTC");
        tzset();
        // The texts agree with Qt's own formatting across the calendar, years of other widths included.
        for (double v = -700000.3; v < 3.0e6; v += 9876.543) {
            const QDateTime t = fromDays(v);
            const QString expected = t.time().msecsSinceStartOfDay() == 0
                                         ? t.toString(QStringLiteral("dd.MM.yyyy"))
                                         : t.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
            QCOMPARE(formatDateTime(v), expected);
        }
        if (oldTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
        tzset();
    }

    void dcComponentAsTypeAWord_data() {
        // Stored files may hold any float: the word sent and shown keeps to the nearer end of the
        // 16-bit range instead of wrapping round to an unrelated value.
        QTest::addColumn<float>("stored");
        QTest::addColumn<int>("word");
        QTest::newRow("negative") << -1.5f << 0;
        QTest::newRow("large negative") << -70000.0f << 0;
        QTest::newRow("zero") << 0.0f << 0;
        QTest::newRow("fraction") << 123.9f << 123;
        QTest::newRow("below one") << 0.99f << 0;
        QTest::newRow("top") << 65535.0f << 65535;
        QTest::newRow("just below top") << 65534.9f << 65534;
        QTest::newRow("one past top") << 65536.0f << 65535;
        QTest::newRow("3e9") << 3e9f << 65535;
        QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << 0;
        QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << 65535;
        QTest::newRow("minus infinity") << -std::numeric_limits<float>::infinity() << 0;
    }
    void dcComponentAsTypeAWord() {
        QFETCH(float, stored);
        QFETCH(int, word);
        QCOMPARE(int(dcComponentWord(stored)), word);
    }

    void fixedPointTexts() {
        // The table's threshold and signal texts agree with the locale's own formatting: rounding of
        // halves, tiny negatives, huge and non-finite values, under both separators.
        const QList<double> edges = {0.0,
                                     -0.0,
                                     0.0005,
                                     0.0015,
                                     -0.0004,
                                     -0.0005,
                                     1.0005,
                                     2.675,
                                     -2.675,
                                     999.9995,
                                     123456.789,
                                     -1e-9,
                                     9.999999e14,
                                     1e15,
                                     -3e20,
                                     std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::quiet_NaN()};
        for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Russian, QLocale::Russia)}) {
            QLocale::setDefault(locale);
            QLocale reference = locale;
            reference.setNumberOptions(QLocale::OmitGroupSeparator);
            QList<double> values = edges;
            for (double v = -5000.0; v < 5000.0; v += 0.3333337)
                values << v << double(float(v) / 7.0f);
            for (double v : values)
                QCOMPARE(formatFixed3(v), reference.toString(v, 'f', 3));
        }
        QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt)); // digits of its own
        QCOMPARE(formatFixed3(-1.25), QLocale(QLocale::Arabic, QLocale::Egypt).toString(-1.25, 'f', 3));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(formatFixed3(-1.5), QStringLiteral("-1.500"));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
