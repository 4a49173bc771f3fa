// SPDX-License-Identifier: GPL-3.0-or-later
// The shift report window on the offscreen platform: it reads the shift when shown, and its PDF is
// read back with poppler's pdftotext.
#include "common/LogRecordBytes.h"
#include "common/WindowFixture.h"
#include "dialogs/ShiftReportDialog.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace vatrel;
using namespace vatrel::testing;

class TestShiftReportDialog : public QObject {
    Q_OBJECT

private slots:
    void readsTheShiftWhenShownAndSavesItAsPdf() {
        WindowFixture f;
        f.now = QDateTime(QDate(2026, 12, 8), QTime(20, 0));
        f.write("QReport/08.12.2026",
                logRecord(23, "Смена: дежурный Иванов", QDateTime(QDate(2026, 12, 8), QTime(8, 0)), 0) +
                    logRecord(33, "Срабатывание 1 шлейфа датчика <Ватрел-А> № 101",
                              QDateTime(QDate(2026, 12, 8), QTime(9, 15)), 101));
        SensorRecord& sensor = f.c.sensors.record(3);
        sensor.factory_number = 101;
        sensor.loop1_armed = 1;
        sensor.loop2_armed = 0;

        ShiftReportDialog w(f.door);
        QString suggested, target = f.file("отчёт.pdf");
        w.saveFileDialog = [&](const QString& s) {
            suggested = s;
            return target;
        };
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY_WITH_TIMEOUT(!w.busy(), 30000);
        const QString heading = "Смена с 08.12.2026 08:00 по 08.12.2026 20:00, дежурный Иванов";
        QCOMPARE(w.findChild<QLabel*>("LabelPeriod")->text(), heading);
        QCOMPARE(w.findChild<QLabel*>("LabelCounts")->text(),
                 QString("Смены дежурных: 1. Тревоги: 1 (не подтверждены: 1). Сняты с охраны: 1. Наиболее "
                         "активные датчики: 0."));

        QTest::mouseClick(w.findChild<QPushButton*>("ButtonPdf"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.busy(), 30000);
        QCOMPARE(suggested, f.file("Отчёт за смену 08.12.2026 20-00.pdf"));
        QProcess pdftotext;
        pdftotext.start("pdftotext", {target, "-"});
        QVERIFY(pdftotext.waitForFinished(30000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        QVERIFY2(text.contains(heading), qPrintable(text));
        QVERIFY2(text.contains("Срабатывание 1 шлейфа датчика <Ватрел-А> № 101"), qPrintable(text));
        QVERIFY2(text.contains("Датчик <Ватрел-А> № 101 (позиция 4), шлейф 2"), qPrintable(text));

        // A file that cannot be written is told, and the window stays usable.
        target = f.file("missing/отчёт.pdf");
        f.ui.expectMessage("Файл не удается записать: " + target, "Ошибка");
        QTest::mouseClick(w.findChild<QPushButton*>("ButtonPdf"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.busy(), 30000);
        QVERIFY(f.ui.allExpectedShown());
        QVERIFY(w.findChild<QPushButton*>("ButtonPdf")->isEnabled());
    }
};

QTEST_MAIN(TestShiftReportDialog)
#include "tst_shiftreportdialog.moc"
