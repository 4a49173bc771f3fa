// The log viewer's listing and the log reader under it, headless: filters, pages, texts, colours,
// what a page change picks up from a growing file, damaged and wrong files, CSV export.
#include "common/ConsoleFixture.h"
#include "registry/ReportListing.h"

#include <QStringEncoder>
#include <QtEndian>
#include <cstring>

using namespace vatrel;
using vatrel::testing::ConsoleFixture;

namespace {

// One record written out byte by byte, independent of the program's codec.
QByteArray record(int code, const QString& text, QDateTime at = QDateTime(QDate(2025, 4, 1), QTime(8, 30, 5)),
                  quint32 factory = 1234) {
    QByteArray r(328, '\0');
    r[0] = 1;
    qToLittleEndian<quint32>(factory, r.data() + 4);
    const double days =
        double(QDate(1899, 12, 30).daysTo(at.date())) + at.time().msecsSinceStartOfDay() / 86400000.0;
    quint64 bits;
    std::memcpy(&bits, &days, 8);
    qToLittleEndian<quint64>(bits, r.data() + 8);
    r[16] = char(qint8(code));
    QStringEncoder enc("windows-1251");
    const QByteArray t = enc.encode(text);
    std::memcpy(r.data() + 38, t.constData(), size_t(qMin<qsizetype>(t.size(), 289)));
    return r;
}

QByteArray records(int n, int code = 33, int from = 0) {
    QByteArray out;
    for (int i = from; i < from + n; ++i)
        out += record(code, QStringLiteral("Событие %1").arg(i + 1));
    return out;
}

void append(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class TestReportListing : public QObject {
    Q_OBJECT

private slots:
    void filtersKeepTheirCodeSets() {
        auto kept = [](LogFilter f) {
            QList<int> out;
            for (int code = -128; code <= 127; ++code)
                if (passesFilter(f, code)) out << code;
            return out;
        };
        QList<int> alarms, link;
        for (int code = -128; code <= 127; ++code) {
            if (!(code == 0 || (code >= 15 && code <= 21) || (code >= 30 && code <= 32))) alarms << code;
            if (code < 0 || code == 1 || code == 6 || (code >= 12 && code <= 15) ||
                (code >= 22 && code <= 29) || code >= 35)
                link << code;
        }
        QCOMPARE(kept(LogFilter::Alarms), alarms);
        QCOMPARE(kept(LogFilter::LinkLoss), link);
        QCOMPARE(kept(LogFilter::All).size(), 256);
        // The cases named by the operators' handbook.
        QVERIFY(!passesFilter(LogFilter::Alarms, 18) && !passesFilter(LogFilter::Alarms, 30));
        QVERIFY(passesFilter(LogFilter::Alarms, 33) && passesFilter(LogFilter::Alarms, 9));
        QVERIFY(passesFilter(LogFilter::LinkLoss, 15) && !passesFilter(LogFilter::LinkLoss, 33));
        QVERIFY(passesFilter(LogFilter::LinkLoss, -5));
    }

    void smallFileListsRecordsColoursAndTheEndRow() {
        ConsoleFixture f;
        f.write("QReport/01.04.2025",
                record(15, QStringLiteral("Нет связи с датчиком <Ватрел-А> № 1234")) +
                    record(33, QStringLiteral("Срабатывание")) +
                    record(0, QStringLiteral("Норма"), QDateTime(QDate(2025, 4, 2), QTime(0, 0))) +
                    record(30, QStringLiteral("Подключён")) + record(32, QStringLiteral("Связь")));
        ReportListing l(f.c);
        QVERIFY(l.load(f.file("QReport/01.04.2025")));
        QVERIFY(l.pages_visible);
        QCOMPARE(l.grid.rowCount(), 7);
        QCOMPARE(l.grid.at(0, 0), QString("Дата и время"));
        QCOMPARE(l.grid.at(1, 0), QString("Наименование события"));
        QCOMPARE(l.grid.at(0, 1), QString("01.04.2025 08:30:05"));
        QCOMPARE(l.grid.at(1, 1), QString("Нет связи с датчиком <Ватрел-А> № 1234"));
        QCOMPARE(l.grid.at(0, 3), QString("02.04.2025")); // midnight: no time part
        QCOMPARE(l.grid.at(0, 6), QString());
        QCOMPARE(l.grid.at(1, 6), QString());
        const QList<quint32> colours{0x0000AB, 0x0000FF, 0x008000, 0x000000, 0x008000, 0x000000};
        for (int k = 0; k < 6; ++k) {
            QCOMPARE(f.c.ReportRowStyles[k].font_colour, colours[k]);
            QCOMPARE(f.c.ReportRowStyles[k].background, quint32(0xFF000018));
        }
        QCOMPARE(l.StTextProt, QString(" Отобрано 5 сообщений. Всего 1 страниц (по 500 сообщений)"));
        QCOMPARE(l.StTextStr, QString(" Стр. 1"));
        QCOMPARE(l.current_row, 6);
        QCOMPARE(l.spin_max, 1);

        // The filters take effect on the next page change.
        l.filter = LogFilter::Alarms;
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.grid.rowCount(), 3);
        QCOMPARE(l.grid.at(1, 1), QString("Срабатывание"));
        l.filter = LogFilter::LinkLoss;
        QVERIFY(l.changePage(PageButton::First));
        QCOMPARE(l.grid.rowCount(), 3);
        QCOMPARE(l.grid.at(1, 1), QString("Нет связи с датчиком <Ватрел-А> № 1234"));
        QCOMPARE(l.StTextProt, QString(" Отобрано 1 сообщений. Всего 1 страниц (по 500 сообщений)"));
    }

    void pagesOfALongFile() {
        ConsoleFixture f;
        f.write("QReport/01.04.2025", records(1200));
        ReportListing l(f.c);
        QVERIFY(l.load(f.file("QReport/01.04.2025")));
        QCOMPARE(l.report_total, 1201);
        QCOMPARE(l.StTextStr, QString(" Стр. 3"));
        QCOMPARE(l.StTextProt, QString(" Отобрано 1200 сообщений. Всего 3 страниц (по 500 сообщений)"));
        QCOMPARE(l.grid.rowCount(), 202);
        QCOMPARE(l.grid.at(1, 1), QString("Событие 1001"));
        QCOMPARE(l.grid.at(1, 200), QString("Событие 1200"));
        QCOMPARE(l.grid.at(1, 201), QString());
        QCOMPARE(l.spin_max, 3);
        QCOMPARE(l.spin_value, 3);

        QVERIFY(l.changePage(PageButton::First));
        QCOMPARE(l.grid.rowCount(), 502);
        QCOMPARE(l.grid.at(1, 1), QString("Событие 1"));
        QCOMPARE(l.grid.at(1, 500), QString("Событие 500"));
        QCOMPARE(l.grid.at(1, 501), QString());
        QCOMPARE(l.current_row, 501); // scrolled to its bottom
        QCOMPARE(l.StTextStr, QString(" Стр. 1"));
        QCOMPARE(l.spin_value, 1);

        QVERIFY(l.changePage(PageButton::Previous)); // stays on the first page
        QCOMPARE(l.StTextStr, QString(" Стр. 1"));
        QVERIFY(l.changePage(PageButton::Next));
        QCOMPARE(l.grid.at(1, 1), QString("Событие 501"));
        QCOMPARE(l.current_row, 1);
        l.spin_value = 3;
        QVERIFY(l.changePage(PageButton::Go));
        QCOMPARE(l.grid.rowCount(), 202);
        QCOMPARE(l.StTextStr, QString(" Стр. 3"));
        QVERIFY(l.changePage(PageButton::Next)); // stays on the last page
        QCOMPARE(l.StTextStr, QString(" Стр. 3"));
    }

    void pageBoundaries() {
        ConsoleFixture f;
        ReportListing l(f.c);
        f.write("QReport/a", records(499));
        QVERIFY(l.load(f.file("QReport/a")));
        QCOMPARE(l.StTextProt, QString(" Отобрано 499 сообщений. Всего 1 страниц (по 500 сообщений)"));
        QCOMPARE(l.grid.rowCount(), 501);

        // The 500th record pushes the end row onto a page of its own.
        f.write("QReport/b", records(500));
        QVERIFY(l.load(f.file("QReport/b")));
        QCOMPARE(l.StTextProt, QString(" Отобрано 500 сообщений. Всего 2 страниц (по 500 сообщений)"));
        QCOMPARE(l.grid.rowCount(), 2);
        QCOMPARE(l.grid.at(1, 1), QString());

        f.write("QReport/empty", QByteArray());
        QVERIFY(l.load(f.file("QReport/empty")));
        QCOMPARE(l.grid.rowCount(), 2);
        QCOMPARE(l.grid.at(0, 1), QString());
        QCOMPARE(l.grid.at(1, 1), QString(" Сообщений нет"));
        QCOMPARE(l.StTextProt, QString(" Отобрано 0 сообщений. Всего 1 страниц (по 500 сообщений)"));
        QCOMPARE(l.StTextStr, QString(" Стр. 1"));
    }

    void pageChangesReadOnlyWhatWasAppended() {
        ConsoleFixture f;
        const QString path = f.file("VatrelA_mess/1234");
        f.write("VatrelA_mess/1234", records(600, 33) + records(400, 18, 600));
        ReportListing l(f.c);
        l.filter = LogFilter::Alarms;
        QVERIFY(l.load(path));
        QCOMPARE(l.selectedCount(), 600);
        append(path, records(1, 33, 1000) + records(1, 16, 1001));
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.selectedCount(), 601);
        QCOMPARE(l.grid.at(1, 101), QString("Событие 1001"));
        QCOMPARE(l.index().fullIndexings(), 1);
        QVERIFY(l.index().memoryBytes() <= 8 * 1002);

        // A half-written record is left out until it is complete.
        const QByteArray next = record(9, QStringLiteral("Ошибка EEPROM"));
        append(path, next.left(100));
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.selectedCount(), 601);
        append(path, next.mid(100));
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.selectedCount(), 602);
        QCOMPARE(l.grid.at(1, 102), QString("Ошибка EEPROM"));
        QCOMPARE(l.index().fullIndexings(), 1);

        // Shrunk: indexed afresh, and the page asked for no longer exists.
        l.spin_value = 2;
        f.write("VatrelA_mess/1234", records(3, 33));
        QVERIFY(l.changePage(PageButton::Go));
        QCOMPARE(l.selectedCount(), 3);
        QCOMPARE(l.StTextStr, QString(" Стр. 1"));
        QCOMPARE(l.index().fullIndexings(), 2);

        // Rewritten in place to the same length, and replaced by another file.
        f.write("VatrelA_mess/1234", records(2, 33) + record(33, QStringLiteral("Другое")));
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.grid.at(1, 3), QString("Другое"));
        const QString other = f.file("VatrelA_mess/other");
        f.write("VatrelA_mess/other", records(4, 33, 10));
        QVERIFY(QFile::remove(path) && QFile::rename(other, path));
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.selectedCount(), 4);
        QCOMPARE(l.grid.at(1, 1), QString("Событие 11"));
        QCOMPARE(l.index().fullIndexings(), 4);
    }

    void wrongFilesGiveMessagesOrWholeRecords() {
        ConsoleFixture f;
        ReportListing l(f.c);
        f.write("QReport/good", records(3));
        QVERIFY(l.load(f.file("QReport/good")));

        f.ui.expectMessage(QStringLiteral("Файл не удается открыть: ") + f.file("QReport/missing"), "Ошибка");
        QVERIFY(!l.load(f.file("QReport/missing")));
        f.ui.expectMessage(QStringLiteral("Файл не удается открыть: ") + f.file("QReport"), "Ошибка");
        QVERIFY(!l.load(f.file("QReport")));
        QCOMPARE(l.grid.at(1, 3), QString("Событие 3")); // the grid keeps what it showed
        QCOMPARE(l.report_path, f.file("QReport"));
        f.ui.expectMessage(QStringLiteral("BButPrevClick: файл не удается открыть"), "Ошибка");
        QVERIFY(!l.changePage(PageButton::First));

        // Random bytes of a size that is no multiple of a record: the whole records, nothing more.
        QByteArray noise(3 * 328 + 77, '\0');
        quint32 x = 12345;
        for (char& ch : noise)
            ch = char((x = x * 1103515245u + 12345u) >> 24);
        f.write("QReport/noise", noise);
        QVERIFY(l.load(f.file("QReport/noise")));
        QCOMPARE(l.selectedCount(), 3);
        QCOMPARE(l.grid.rowCount(), 5);

        QVERIFY(l.load(f.file("QReport/good")));
        QVERIFY(QFile::remove(f.file("QReport/good")));
        f.ui.expectMessage(QStringLiteral("BButPrevClick: файл не удается открыть"), "Ошибка");
        QVERIFY(!l.changePage(PageButton::Last));
        QVERIFY(f.ui.allExpectedShown());
    }

    void exportWritesCsvOfTheChosenFilter() {
        ConsoleFixture f;
        f.write("QReport/01.04.2025", record(33, QStringLiteral("Срабатывание 1 шлейфа, \"север\""),
                                             QDateTime(QDate(2025, 4, 1), QTime(0, 0)), 0xFFFFFFFBu) +
                                          record(18, QStringLiteral("Снят")) +
                                          record(9, QStringLiteral("EEPROM")));
        ReportListing l(f.c);
        QVERIFY(l.load(f.file("QReport/01.04.2025")));
        l.filter = LogFilter::Alarms;
        QVERIFY(l.exportCsv(f.file("out.csv")));
        QCOMPARE(f.read("out.csv"),
                 QByteArray("\xEF\xBB\xBF"
                            "01.04.2025 00:00:00,33,-5,\"Срабатывание 1 шлейфа, \"\"север\"\"\"\r\n"
                            "01.04.2025 08:30:05,9,1234,EEPROM\r\n"));
        f.ui.expectMessage(QStringLiteral("Файл не удается записать: ") + f.file("nowhere/out.csv"),
                           "Ошибка");
        QVERIFY(!l.exportCsv(f.file("nowhere/out.csv")));
    }
};

QTEST_GUILESS_MAIN(TestReportListing)
#include "tst_reportlisting.moc"
