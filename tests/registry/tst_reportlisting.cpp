// SPDX-License-Identifier: GPL-3.0-or-later
// The log reader under the viewer, headless: the filters' code sets, what a page change picks up from
// a file that grows, shrinks or is replaced, damaged and wrong files, and the CSV export.
#include "common/ConsoleFixture.h"
#include "common/DataFiles.h"
#include "common/LogRecordBytes.h"
#include "common/SmallFileSystem.h"
#include "registry/JobControl.h"
#include "registry/LogFolders.h"
#include "registry/ReportListing.h"

#include <cmath>
#include <cstring>

using namespace vatrel;
using namespace vatrel::testing;

class TestReportListing : public QObject {
    Q_OBJECT

    static void append(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append));
        QCOMPARE(f.write(bytes), bytes.size());
    }

private slots:
    void filtersKeepTheirCodeSets() {
        // Each set's bounds from both sides; codes are signed bytes.
        for (int code : {-1, 1, 14, 22, 29, 33, 34, 46, 127})
            QVERIFY2(passesFilter(LogFilter::Alarms, code), qPrintable(QString::number(code)));
        for (int code : {0, 15, 18, 21, 30, 32})
            QVERIFY2(!passesFilter(LogFilter::Alarms, code), qPrintable(QString::number(code)));
        for (int code : {-128, -1, 1, 6, 12, 15, 22, 29, 35, 127})
            QVERIFY2(passesFilter(LogFilter::LinkLoss, code), qPrintable(QString::number(code)));
        for (int code : {0, 2, 5, 7, 11, 16, 21, 30, 33, 34})
            QVERIFY2(!passesFilter(LogFilter::LinkLoss, code), qPrintable(QString::number(code)));
    }

    void pageChangesReadOnlyWhatWasAppended() {
        ConsoleFixture f;
        const QString path = f.file("VatrelA_mess/1234");
        f.write("VatrelA_mess/1234", logRecords(600, 33) + logRecords(400, 18, 600));
        ReportListing l(f.c.data_dir, f.c.notices);
        l.filter = LogFilter::Alarms;
        QVERIFY(l.load(path));
        QCOMPARE(l.selectedCount(), 600);
        append(path, logRecords(1, 33, 1000) + logRecords(1, 16, 1001));
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.selectedCount(), 601);
        QCOMPARE(l.grid.at(1, 101), QString("Событие 1001"));
        QCOMPARE(l.index().fullIndexings(), 1);
        QVERIFY(l.index().memoryBytes() <= 8 * 1002);

        // A half-written record is left out until it is complete.
        const QByteArray next = logRecord(9, QStringLiteral("Ошибка EEPROM"));
        append(path, next.left(100));
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.selectedCount(), 601);
        append(path, next.mid(100));
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.grid.at(1, 102), QString("Ошибка EEPROM"));
        QCOMPARE(l.index().fullIndexings(), 1);

        // Shrunk: indexed afresh, and the page asked for no longer exists.
        l.spin_value = 2;
        f.write("VatrelA_mess/1234", logRecords(3, 33));
        QVERIFY(l.changePage(PageButton::Go));
        QCOMPARE(l.selectedCount(), 3);
        QCOMPARE(l.StTextStr, QString(" Стр. 1"));
        QCOMPARE(l.index().fullIndexings(), 2);

        // Rewritten in place to the same length, then replaced by another file; then another filter.
        f.write("VatrelA_mess/1234", logRecords(2, 33) + logRecord(33, QStringLiteral("Другое")));
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.grid.at(1, 3), QString("Другое"));
        f.write("VatrelA_mess/other", logRecords(4, 15, 10));
        QVERIFY(QFile::remove(path) && QFile::rename(f.file("VatrelA_mess/other"), path));
        l.filter = LogFilter::LinkLoss;
        QVERIFY(l.changePage(PageButton::Last));
        QCOMPARE(l.selectedCount(), 4);
        QCOMPARE(l.grid.at(1, 1), QString("Событие 11"));
        QCOMPARE(l.index().fullIndexings(), 4);
    }

    void cancelledIndexingGoesOnWhereItStopped() {
        ConsoleFixture f;
        f.write("VatrelA_mess/1234", logRecords(30000, 18) + logRecords(20000, 33, 30000));
        const ListingRequest request{f.file("VatrelA_mess/1234"), LogFilter::Alarms, -1, PageButton::Last,
                                     false};
        LogIndex index;
        // Cancelled from its own progress report, a few blocks in.
        JobControl* self = nullptr;
        JobControl control(
            [&](qint64 done, qint64) {
                if (done > 10000) self->cancel();
            },
            0, 0);
        self = &control;
        QCOMPARE(readListingPage(index, request, &control).status, ListingPage::Status::Cancelled);
        QVERIFY(index.scannedRecords() > 10000 && index.scannedRecords() < 50000);

        const ListingPage page = readListingPage(index, request);
        QCOMPARE(page.status, ListingPage::Status::Ok);
        QCOMPARE(page.selected, 20000);
        QCOMPARE(page.lastPage, 39);
        QCOMPARE(page.records.back().text, QString("Событие 50000"));
        QCOMPARE(index.fullIndexings(), 1);
    }

    void logsNamedInWordsAndDaysInDateOrder() {
        QCOMPARE(logTitle("/d/QReport/07.12.2026"), QString("Протокол за 07.12.2026"));
        QCOMPARE(logTitle("/d/VatrelB_mess/1234"), QString("Протокол датчика № 1234 (Ватрел-Б)"));
        QCOMPARE(logTitle("/d/VatrelA_mess/-5"), QString("Протокол датчика № -5 (Ватрел-А)"));
        QCOMPARE(logTitle("/d/QReport/копия"), QString("Протокол копия"));
        QStringList names{"01.05.2026", "zz", "30.04.2026", "31.12.2025", "02.05.2026"};
        std::sort(names.begin(), names.end(), dayLogNameLess);
        QCOMPARE(names, QStringList({"31.12.2025", "30.04.2026", "01.05.2026", "02.05.2026", "zz"}));

        ConsoleFixture f;
        for (const char* name : {"QReport/02.05.2026", "QReport/30.04.2026", "QReport/notes",
                                 "VatrelB_mess/1234", "VatrelB_mess/01234", "VatrelA_mess/-5"})
            f.write(name, QByteArray());
        QCOMPARE(dailyLogDays(f.c.data_dir), (std::vector<QDate>{QDate(2026, 4, 30), QDate(2026, 5, 2)}));
        const auto sensors = sensorLogFiles(f.c.data_dir);
        QCOMPARE(int(sensors.size()), 2); // a name the console never writes is left out
        QCOMPARE(sensors[0].factory_number, quint32(-5));
        QCOMPARE(sensors[1].factory_number, 1234u);
        QCOMPARE(sensors[1].sensor_type, 1);
    }

    void wrongFilesGiveMessagesOrWholeRecords() {
        ConsoleFixture f;
        ReportListing l(f.c.data_dir, f.c.notices);
        f.write("QReport/good", logRecords(3));
        QVERIFY(l.load(f.file("QReport/good")));

        for (const char* bad : {"QReport/missing", "QReport"}) {
            f.ui.expectMessage(QStringLiteral("Файл не удается открыть: ") + f.file(bad), "Ошибка");
            QVERIFY(!l.load(f.file(bad)));
        }
        // The rows of the last good file are gone: they must not pass for the failed file's.
        QCOMPARE(l.grid.at(1, 3), QString());
        QCOMPARE(l.grid.rowCount(), 2);
        QVERIFY(!l.pages_visible && !l.changePage(PageButton::First));

        // Random bytes of a size that is no multiple of a record: the whole records, nothing more.
        QByteArray noise(3 * 328 + 77, '\0');
        quint32 x = 12345;
        for (char& ch : noise)
            ch = char((x = x * 1103515245u + 12345u) >> 24);
        f.write("QReport/noise", noise);
        QVERIFY(l.load(f.file("QReport/noise")));
        QCOMPARE(l.selectedCount(), 3);
        QCOMPARE(l.grid.rowCount(), 5);

        QVERIFY(QFile::remove(f.file("QReport/noise")));
        f.ui.expectMessage(QStringLiteral("BButPrevClick: файл не удается открыть"), "Ошибка");
        QVERIFY(!l.changePage(PageButton::Last));
    }

    void exportLinesMatchTheSharedCsvLine() {
        // The export writes lines straight from the stored bytes; vatrel-log goes through the decoded
        // record. Every byte of the code page, and dates with and without the usual form, must give
        // the same line both ways.
        QByteArray text;
        for (int b = 1; b < 256; ++b)
            text += char(b);
        const double days[] = {45748.5, 0.25, 0, -1.5, 1e300, std::nan(""), 2958466.0 + 400};
        for (int i = 0; i < int(std::size(days)); ++i) {
            QByteArray image = logRecord(i % 2 ? -7 : 127, QString(), {}, i % 2 ? 0xFFFFFFFBu : 4000000000u);
            std::memcpy(image.data() + 8, &days[i], 8);
            const QByteArray part = text.mid((i * 50) % 255, 120);
            std::memcpy(image.data() + 38, part.constData(), size_t(part.size()));
            EventRecord r;
            QVERIFY(r.decode(image));
            QByteArray fast;
            appendCsvLine(fast, image.constData());
            QCOMPARE(fast, csvLine(r).toUtf8());
        }
    }

    void exportWritesTheListingShown() {
        ConsoleFixture f;
        f.write("QReport/01.04.2025", logRecord(33, QStringLiteral("Срабатывание 1 шлейфа, \"север\""),
                                                QDateTime(QDate(2025, 4, 1), QTime(0, 0)), 0xFFFFFFFBu) +
                                          logRecord(18, QStringLiteral("Снят")) +
                                          logRecord(9, QStringLiteral("EEPROM")));
        ReportListing l(f.c.data_dir, f.c.notices);
        l.filter = LogFilter::Alarms;
        QVERIFY(l.load(f.file("QReport/01.04.2025")));
        // Neither a filter chosen since nor a record appended since is in the listing shown.
        l.filter = LogFilter::All;
        append(f.file("QReport/01.04.2025"), logRecord(33, QStringLiteral("Позже")));
        QVERIFY(l.exportCsv(f.file("out.csv")));
        QCOMPARE(f.read("out.csv"),
                 QByteArray("\xEF\xBB\xBF"
                            "01.04.2025 00:00:00,33,-5,\"Срабатывание 1 шлейфа, \"\"север\"\"\"\r\n"
                            "01.04.2025 08:30:05,9,1234,EEPROM\r\n"));
        f.ui.expectMessage(QStringLiteral("Файл не удается записать: ") + f.file("nowhere/out.csv"),
                           "Ошибка");
        QVERIFY(!l.exportCsv(f.file("nowhere/out.csv")));

        // An export over an earlier one on a full disk fails and leaves the earlier one whole.
        SmallFileSystem disk;
        VATREL_REQUIRE_SMALL_FILE_SYSTEM(disk);
        QVERIFY(QFile::copy(f.file("out.csv"), disk.file("out.csv")));
        disk.fill();
        f.ui.expectMessage(QStringLiteral("Файл не удается записать: ") + disk.file("out.csv"), "Ошибка");
        QVERIFY(!l.exportCsv(disk.file("out.csv")));
        QCOMPARE(readFile(disk.file("out.csv")), f.read("out.csv"));
    }
};

QTEST_GUILESS_MAIN(TestReportListing)
#include "tst_reportlisting.moc"
