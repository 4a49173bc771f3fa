// SPDX-License-Identifier: GPL-3.0-or-later
// The event log viewer on the offscreen platform: the real window with its file dialogs answered by
// the test, the listing it shows, the page buttons, printing to PDF read back with poppler's tools,
// and the export, also while the receive passes run.
#include "common/WindowFixture.h"
#include "common/ConverterFrame.h"
#include "common/LogRecordBytes.h"
#include "dialogs/LogViewer.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/LinkTestSupport.h"
#include "registry/DateTime.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

// A day's log: link loss, alarm, return to normal, connection, then alternately disarming and alarms.
QByteArray dayLog(int extra = 0) {
    auto at = [](int minute) { return QDateTime(QDate(2025, 4, 1), QTime(8, 0)).addSecs(60 * minute); };
    QByteArray out =
        logRecord(15, QStringLiteral("Нет связи с датчиком <Ватрел-А> № 1234"), at(1)) +
        logRecord(33, QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-А> № 1234"), at(2)) +
        logRecord(0, QStringLiteral("Норма датчика <Ватрел-А> № 1234"),
                  QDateTime(QDate(2025, 4, 2), QTime(0, 0))) +
        logRecord(30, QStringLiteral("Датчик <Ватрел-А> № 1234 подключён. Оператор: Иванов"), at(4));
    for (int i = 0; i < extra; ++i)
        out += logRecord(i % 2 ? 33 : 18, QStringLiteral("Запись %1").arg(i + 1), at(10 + i));
    return out;
}

QColor colourAt(const QAbstractItemModel* m, int row, int role) {
    return m->index(row, 1).data(role).value<QColor>();
}

// Rendered page of a PDF as an image.
QImage pdfPage(const QString& pdf) {
    const QString base = pdf + QStringLiteral("-page");
    if (QProcess::execute("pdftoppm",
                          {"-r", "100", "-png", "-singlefile", "-f", "1", "-l", "1", pdf, base}) != 0)
        return {};
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Ruled lines: dark runs longer than any glyph, counted across the page (horizontal) or down it.
int ruledLines(const QImage& img, bool horizontal) {
    const int outer = horizontal ? img.height() : img.width(),
              inner = horizontal ? img.width() : img.height();
    int lines = 0;
    bool previous = false;
    for (int a = 0; a < outer; ++a) {
        int run = 0, best = 0;
        for (int b = 0; b < inner; ++b) {
            run = qGray(horizontal ? img.pixel(b, a) : img.pixel(a, b)) < 150 ? run + 1 : 0;
            best = qMax(best, run);
        }
        const bool line = best > (horizontal ? 300 : 100);
        lines += line && !previous;
        previous = line;
    }
    return lines;
}
QPair<int, int> ruledLines(const QString& pdf) {
    const QImage page = pdfPage(pdf);
    return {ruledLines(page, true), ruledLines(page, false)};
}

int pixelsNear(const QImage& img, QColor c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qAbs(img.pixelColor(x, y).red() - c.red()) + qAbs(img.pixelColor(x, y).green() - c.green()) +
                     qAbs(img.pixelColor(x, y).blue() - c.blue()) <
                 48;
    return n;
}

} // namespace

class TestQReport : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<LogViewer> m_w;
    QStringList m_openedIn;
    QString m_pick;
    QString m_lastOutput;                          // the output file the print dialog was opened with
    std::function<QString(const QString&)> m_real; // the viewer's own file dialog

    LogViewer& w() { return *m_w; }
    template <class T> T* child(const char* name) { return m_w->findChild<T*>(QString::fromLatin1(name)); }
    QAbstractItemModel* grid() { return child<QTableView>("AdvStringGrid2")->model(); }
    QString cell(int row, int col) { return grid()->index(row - 1, col).data().toString(); }
    // Loads, page changes, exports and printouts run on worker threads: wait for them.
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!w().busy(), 60000); }
    void open(const QString& fragment) {
        m_pick = m_f->file(fragment);
        QTest::mouseClick(child<QPushButton>("BitBtn1"), Qt::LeftButton);
        settle();
    }
    void click(const char* name) {
        QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton);
        settle();
    }

    // Prints the page shown to a PDF through the print button; returns the PDF's path.
    QString printToPdf(const QString& name) {
        const QString pdf = m_f->file(name);
        w().printDialog = [this, pdf](QPrinter& p) {
            m_lastOutput = p.outputFileName();
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            return true;
        };
        m_f->ui.expectMessage(QStringLiteral("Если печать прошла успешно,нажмите на кнопку <OK>"),
                              "Внимание");
        click("BitBtnPrint");
        return pdf;
    }

    // What the window shows of the page: grid rows (without the header), " Стр. n", the summary.
    void expectPage(int rows, const QString& page, const QString& summary) {
        QCOMPARE(grid()->rowCount(), rows);
        QCOMPARE(child<QLabel>("StTextStr")->text(), page);
        QCOMPARE(child<QLabel>("StTextProt")->text(), summary);
    }

private slots:
    void init() {
        m_f = std::make_unique<WindowFixture>();
        m_w = std::make_unique<LogViewer>(m_f->door);
        m_openedIn.clear();
        m_real = w().openFileDialog;
        w().openFileDialog = [this](const QString& folder) {
            m_openedIn << folder;
            return m_pick;
        };
        w().show(); // the buttons take clicks only on a shown window
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
    }
    void cleanup() {
        m_w.reset();
        m_f.reset();
    }

    void beforeTheFirstLoadAndTheSourceFolders() {
        QCOMPARE(w().windowTitle(), QString("Протокол событий"));
        QVERIFY(!child<QGroupBox>("GroupBoxProt")->isVisible());
        QVERIFY(!child<QPushButton>("BitBtnExport")->isEnabled());
        QCOMPARE(grid()->headerData(1, Qt::Horizontal).toString(), QString("Наименование события"));
        QCOMPARE(grid()->rowCount(), 1);
        QCOMPARE(child<QPlainTextEdit>("Memo1")->toPlainText(), QString("Протокол событий"));
        m_pick.clear(); // cancelled each time: nothing is loaded
        click("BitBtn1");
        click("RadioButton1");
        click("BitBtn1");
        click("RadioButton2");
        click("BitBtn1");
        QCOMPARE(m_openedIn,
                 QStringList({m_f->file("VatrelA_mess"), m_f->file("VatrelB_mess"), m_f->file("QReport")}));
        QVERIFY(!child<QGroupBox>("GroupBoxProt")->isVisible());
    }

    void smallFilesAndPageBoundaries() {
        m_f->write("QReport/3", dayLog().left(3 * 328));
        open("QReport/3");
        QVERIFY(child<QGroupBox>("GroupBoxProt")->isVisible());
        expectPage(4, " Стр. 1", " Отобрано 3 сообщений. Всего 1 страниц (по 500 сообщений)");
        QCOMPARE(cell(1, 0), QString("01.04.2025 08:01:00"));
        QCOMPARE(cell(3, 0), QString("02.04.2025")); // midnight: the date alone
        QCOMPARE(cell(4, 0) + cell(4, 1), QString());
        QCOMPARE(colourAt(grid(), 0, Qt::ForegroundRole), QColor(171, 0, 0));
        QCOMPARE(colourAt(grid(), 1, Qt::ForegroundRole), QColor(255, 0, 0));
        QCOMPARE(colourAt(grid(), 2, Qt::ForegroundRole), QColor(0, 128, 0));

        m_f->write("QReport/499", logRecords(499));
        open("QReport/499");
        expectPage(500, " Стр. 1", " Отобрано 499 сообщений. Всего 1 страниц (по 500 сообщений)");
        m_f->write("QReport/500", logRecords(500)); // one page, the end row below its last record
        open("QReport/500");
        expectPage(501, " Стр. 1", " Отобрано 500 сообщений. Всего 1 страниц (по 500 сообщений)");
        QCOMPARE(cell(500, 1), QString("Событие 500"));
        m_f->write("QReport/empty", QByteArray());
        open("QReport/empty");
        expectPage(1, " Стр. 1", " Отобрано 0 сообщений. Всего 1 страниц (по 500 сообщений)");
        QCOMPARE(cell(1, 0), QString());
        QCOMPARE(cell(1, 1), QString(" Сообщений нет"));
    }

    void pagesOfALongLogAndTheAlarmFilter() {
        m_f->write("QReport/01.04.2025", dayLog(1196)); // 1200 records
        open("QReport/01.04.2025");
        expectPage(201, " Стр. 3", " Отобрано 1200 сообщений. Всего 3 страниц (по 500 сообщений)");
        QCOMPARE(w().windowTitle(), QString("Протокол событий — Протокол за 01.04.2025"));
        QCOMPARE(child<QLabel>("LabelLog")->text(), QString("Протокол за 01.04.2025, записей в файле: 1200"));
        // Page numbers and summaries of a long log do not widen the window.
        const int width = w().minimumSizeHint().width();
        child<QLabel>("StTextStr")->setText(" Стр. 10001");
        child<QLabel>("StTextProt")
            ->setText(" Отобрано 5000000 сообщений. Всего 10000 страниц (по 500 сообщений)");
        child<QLabel>("LabelLog")
            ->setText("Протокол датчика № -2147483648 (Ватрел-Б), записей в файле: 5000000");
        QCoreApplication::processEvents(); // the layout takes the new texts' sizes
        QCOMPARE(w().minimumSizeHint().width(), width);
        QCOMPARE(w().width(), 1025);
        QCOMPARE(child<QTableView>("AdvStringGrid2")->currentIndex().row(), 200);
        QCOMPARE(cell(200, 1), QString("Запись 1196"));

        click("BButPrev"); // first page: 500 records and a blank row, scrolled to its bottom
        expectPage(501, " Стр. 1", " Отобрано 1200 сообщений. Всего 3 страниц (по 500 сообщений)");
        QCOMPARE(cell(1, 1), QString("Нет связи с датчиком <Ватрел-А> № 1234"));
        QCOMPARE(cell(501, 0) + cell(501, 1), QString());
        QCOMPARE(child<QTableView>("AdvStringGrid2")->currentIndex().row(), 500);
        click("BButBack");
        QCOMPARE(child<QLabel>("StTextStr")->text(), QString(" Стр. 1"));
        click("BButNext");
        QCOMPARE(cell(1, 1), QString("Запись 497"));
        auto* spin = child<QSpinBox>("CSpinEdProt");
        QCOMPARE(spin->maximum(), 3);
        // Typed page numbers are brought into the range at once: 9 becomes the last page, a letter the first.
        auto* entry = spin->findChild<QLineEdit*>();
        for (const auto& [typed, shown] : {std::pair{"9", "3"}, std::pair{"x", "1"}, std::pair{"0", "1"}}) {
            entry->selectAll();
            QTest::keyClick(entry, Qt::Key_Backspace);
            QTest::keyClicks(entry, typed);
            QCOMPARE(entry->text(), QString(shown));
        }
        spin->setValue(3);
        click("BButGo");
        QCOMPARE(child<QLabel>("StTextStr")->text(), QString(" Стр. 3"));

        // "Тревожные" takes effect on the next page change: 33 stays; 15, 0, 30 and 18 go.
        click("RadioButtonErr");
        QCOMPARE(grid()->rowCount(), 201);
        click("BButStep");
        expectPage(100, " Стр. 2", " Отобрано 599 сообщений. Всего 2 страниц (по 500 сообщений)");
        for (int r = 0; r < 99; ++r)
            QCOMPARE(colourAt(grid(), r, Qt::ForegroundRole), QColor(255, 0, 0));
        click("RadioButtonNoConnect");
        click("BButPrev");
        expectPage(2, " Стр. 1", " Отобрано 1 сообщений. Всего 1 страниц (по 500 сообщений)");
    }

    void sensorLogAndDamagedFiles() {
        m_f->write("VatrelB_mess/-5", dayLog() + QByteArray(100, 'x'));
        w().openSensorLog(0xFFFFFFFBu, 1);
        settle();
        QCOMPARE(grid()->rowCount(), 5);
        QCOMPARE(w().windowTitle(), QString("Протокол событий — Протокол датчика № -5 (Ватрел-Б)"));
        m_f->ui.expectMessage(QStringLiteral("Файл не удается открыть: ") + m_f->file("VatrelA_mess/77"),
                              "Ошибка");
        w().openSensorLog(77, 0);
        settle();
        // The rows of sensor -5 must not pass for those of sensor 77.
        QCOMPARE(grid()->rowCount(), 1);
        QCOMPARE(cell(1, 1), QString());
        QCOMPARE(w().windowTitle(), QString("Протокол событий"));
        QVERIFY(child<QLabel>("LabelLog")->text().isEmpty() &&
                !child<QPushButton>("BitBtnExport")->isEnabled());
    }

    void dayAndSensorChoosers() {
        m_f->write("QReport/30.04.2025", dayLog());
        m_f->write("QReport/01.05.2025", logRecords(2));
        m_f->write("QReport/notes", QByteArray());
        m_f->write("VatrelB_mess/1234", dayLog(1));
        m_f->write("VatrelA_mess/77", logRecords(1));
        m_f->c.sensors.record(4).factory_number = 1234;
        m_f->c.sensors.record(4).sensor_type = 1;
        w().hide(); // the choosers look at the folders when the viewer shows
        w().show();
        auto* calendar = child<QCalendarWidget>("CalendarDays");
        QCOMPARE(calendar->selectedDate(), QDate(2025, 5, 1));
        QCOMPARE(calendar->monthShown(), 5);
        for (const QDate& day :
             {QDate(2025, 4, 29), QDate(2025, 4, 30), QDate(2025, 5, 1), QDate(2025, 5, 2)})
            QCOMPARE(calendar->dateTextFormat(day).fontWeight() == QFont::Bold,
                     day == QDate(2025, 4, 30) || day == QDate(2025, 5, 1));
        emit calendar->clicked(QDate(2025, 4, 30));
        settle();
        QCOMPARE(w().windowTitle(), QString("Протокол событий — Протокол за 30.04.2025"));
        QCOMPARE(cell(1, 1), QString("Нет связи с датчиком <Ватрел-А> № 1234"));
        emit calendar->clicked(QDate(2025, 4, 29)); // no log that day: the listing stays
        settle();
        QCOMPARE(w().windowTitle(), QString("Протокол событий — Протокол за 30.04.2025"));

        // The file dialog lists the day logs in date order.
        QStringList listed;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
            QTRY_VERIFY(view && view->model()->rowCount(view->rootIndex()) == 3);
            for (int r = 0; r < 3; ++r)
                listed << view->model()->index(r, 0, view->rootIndex()).data().toString();
            dialog->reject();
        });
        const auto answer = w().openFileDialog;
        w().openFileDialog = m_real;
        click("RadioButton2");
        click("BitBtn1");
        w().openFileDialog = answer;
        QCOMPARE(listed, QStringList({"30.04.2025", "01.05.2025", "notes"}));

        auto* sensors = child<QComboBox>("ComboSensors");
        QStringList items;
        for (int i = 0; i < sensors->count(); ++i)
            items << sensors->itemText(i);
        QCOMPARE(items,
                 QStringList({"Датчик…", "№ 77 (Ватрел-А), отключён", "№ 1234 (Ватрел-Б), позиция 5"}));
        emit sensors->activated(2);
        settle();
        QCOMPARE(w().windowTitle(), QString("Протокол событий — Протокол датчика № 1234 (Ватрел-Б)"));
        QCOMPARE(cell(5, 1), QString("Запись 1"));
    }

    void printsTitlesColoursAndBorders() {
        m_f->write("QReport/01.04.2025", dayLog(16));
        open("QReport/01.04.2025");
        child<QPlainTextEdit>("Memo1")->setPlainText(QStringLiteral("Протокол событий\nСмена № 3"));
        const QString pdf = printToPdf("all.pdf");
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains("Протокол событий") && text.contains("Смена № 3"), qPrintable(text));
        QVERIFY(text.contains("01/04/2025") && text.contains("12:00:00") && text.contains("1/1"));
        QVERIFY(text.contains("Нет связи с датчиком <Ватрел-А> № 1234") && text.contains("Дата и время"));
        const QImage page = pdfPage(pdf);
        for (const QColor& colour : {QColor(171, 0, 0), QColor(255, 0, 0), QColor(0, 128, 0)})
            QVERIFY2(pixelsNear(page, colour) > 20, qPrintable(colour.name()));
        // All borders: a line under each of the 21 rows and 3 column edges; then "Гор." and "Верт.".
        const auto [rows, columns] = ruledLines(pdf);
        QVERIFY(rows >= 20 && columns >= 3);
        click("RadioButton4");
        QCOMPARE(ruledLines(printToPdf("h.pdf")), qMakePair(rows, 0));
        QCOMPARE(m_lastOutput, m_f->file("all.pdf")); // the dialog remembers the last choice
        click("RadioButton3");
        QCOMPARE(ruledLines(printToPdf("v.pdf")), qMakePair(0, columns));
        for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"})
            child<QCheckBox>(box)->setChecked(false);
        const QString bare = printToPdf("none.pdf");
        QCOMPARE(ruledLines(bare), qMakePair(0, 0));
        const QString bareText = pdfText(bare);
        QVERIFY(!bareText.contains("01/04/2025") && !bareText.contains("12:00:00") &&
                !bareText.contains("1/1"));

        // A full page runs over several sheets, each with the column titles and its number.
        m_f->write("QReport/long", dayLog(996));
        open("QReport/long");
        click("BButPrev");
        for (const char* box : {"CheckBox3", "CheckBox4"})
            child<QCheckBox>(box)->setChecked(true);
        const QString longText = pdfText(printToPdf("long.pdf"));
        const int sheets = int(longText.count(QLatin1Char('\f')));
        QVERIFY(sheets >= 5);
        QCOMPARE(int(longText.count("Дата и время")), sheets);
        QVERIFY(longText.contains(QString("%1/%1").arg(sheets)) && longText.contains("Запись 496"));

        // Texts of three lines: every sheet ends with its number below the last whole row, and every
        // line of every text is printed once.
        QByteArray tall;
        for (int i = 1; i <= 120; ++i)
            tall += logRecord(33, QStringLiteral("Тревога %1\nпродолжение %1\nконец %1").arg(i));
        m_f->write("QReport/tall", tall);
        open("QReport/tall");
        const QString tallText = pdfText(printToPdf("tall.pdf"));
        const QStringList tallSheets = tallText.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY(tallSheets.size() >= 3);
        for (int i = 0; i < tallSheets.size(); ++i) {
            const QStringList lines = tallSheets[i].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(lines.last().trimmed(), QString("%1/%2").arg(i + 1).arg(tallSheets.size()));
        }
        for (int i = 1; i <= 120; ++i)
            QCOMPARE(int(tallText.count(QRegularExpression(QString("конец %1(?!\\d)").arg(i)))), 1);
        QCOMPARE(cell(1, 1), QString("Тревога 1\nпродолжение 1\nконец 1"));
        auto* view = child<QTableView>("AdvStringGrid2");
        QVERIFY(view->rowHeight(0) >= 2 * view->rowHeight(120)); // the blank end row

        // A cancelled print dialog prints nothing and asks nothing.
        w().printDialog = [](QPrinter&) { return false; };
        click("BitBtnPrint");
    }

    void exportThroughTheSaveDialog() {
        m_f->write("QReport/01.04.2025", dayLog(2));
        click("RadioButtonNoConnect");
        open("QReport/01.04.2025");
        QString suggested;
        w().saveFileDialog = [&](const QString& s) {
            suggested = s;
            return m_f->file("day.csv");
        };
        // "Все" ticked since the load: the export is still the listing shown.
        click("RadioButtonAllMess");
        click("BitBtnExport");
        QCOMPARE(suggested, m_f->file("01.04.2025.csv"));
        QCOMPARE(m_f->read("day.csv"),
                 QByteArray("\xEF\xBB\xBF"
                            "01.04.2025 08:01:00,15,1234,Нет связи с датчиком <Ватрел-А> № 1234\r\n"));
    }

    void cancelledOrClosedExportLeavesNoFile() {
        // Long texts, so that the export lasts long enough to show its progress.
        m_f->write("QReport/big", logRecord(33, QStringLiteral("Тревога ").repeated(35)).repeated(400000));
        open("QReport/big");
        m_f->write("earlier.csv", "earlier");
        w().saveFileDialog = [&](const QString&) { return m_f->file("earlier.csv"); };
        QTest::mouseClick(child<QPushButton>("BitBtnExport"), Qt::LeftButton);
        // The progress row counts the records; its Cancel stops the export.
        QTRY_VERIFY_WITH_TIMEOUT(child<QWidget>("JobRow")->isVisible(), 10000);
        QVERIFY2(child<QLabel>("LabelJob")
                     ->text()
                     .contains(QRegularExpression("^Экспорт: \\d+ из 400000 записей$")),
                 qPrintable(child<QLabel>("LabelJob")->text()));
        QVERIFY(!child<QPushButton>("BitBtnExport")->isEnabled() &&
                !child<QPushButton>("BitBtnPrint")->isEnabled());
        click("ButtonCancelJob");
        QVERIFY(!child<QWidget>("JobRow")->isVisible());
        QCOMPARE(m_f->read("earlier.csv"), QByteArray("earlier"));

        // Closing the viewer ends the export the same way.
        w().saveFileDialog = [&](const QString&) { return m_f->file("closed.csv"); };
        QTest::mouseClick(child<QPushButton>("BitBtnExport"), Qt::LeftButton);
        QVERIFY(w().busy());
        w().close();
        settle();
        QCOMPARE(QDir(m_f->dir.path()).entryList(QDir::Files), QStringList({"earlier.csv"}));
    }

    void alarmDuringAnExportKeepsItsTimeAndStaysOutOfTheExport() {
        // The console as it runs: the real clock, an armed type B sensor on the line, a receive pass
        // every 10 ms on this thread.
        FakePort port;
        Console& c = m_f->c;
        c.clock = [] { return QDateTime::currentDateTime(); };
        c.link.attachPort(&port);
        SensorRecord& r = c.sensors.record(0);
        r.mark = 1;
        r.factory_number = 1234;
        r.sensor_type = 1;
        r.loop1_armed = 1;
        r.link_up = 1;
        c.sensors.setOnline(0, true);
        QVERIFY(c.converterPort().openPort(1));
        QTimer passes;
        QObject::connect(&passes, &QTimer::timeout, [&c] { c.receiver().onReceiveTick(); });
        passes.start(10);

        // Today's log, big enough for the export to take a while.
        const QString today = QStringLiteral("QReport/") + QDate::currentDate().toString("dd.MM.yyyy");
        constexpr int kRecords = 400000;
        m_f->write(today,
                   logRecord(18, QStringLiteral("Снят с охраны 1 шлейф. ").repeated(12)).repeated(kRecords));
        open(today);
        QCOMPARE(w().listing().selectedCount(), kRecords);
        w().saveFileDialog = [&](const QString&) { return m_f->file("today.csv"); };
        QTest::mouseClick(child<QPushButton>("BitBtnExport"), Qt::LeftButton);
        QVERIFY(w().busy());

        std::vector<quint16> words{0x0141, 0, 1234, 0, 0x80}; // loop 1 in alarm
        words.resize(words.size() + 16, 0);
        port.incoming += converterFrame('~', words);
        const QDateTime arrived = QDateTime::currentDateTime();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_f->file(today)).size() > qint64(kRecords) * 328, 10000);
        QVERIFY2(w().busy(), "the export ended before the alarm was logged: make the log longer");
        settle();
        passes.stop();

        const QList<LoggedEvent> logged = readEventFile(m_f->file(today));
        QCOMPARE(logged.size(), kRecords + 1);
        QCOMPARE(logged.last().code, 33);
        const qint64 late = arrived.msecsTo(fromDays(logged.last().time));
        QVERIFY2(late >= -1 && late <= 100, qPrintable(QString::number(late)));
        // The listing's records, not the alarm appended since.
        const QByteArray csv = m_f->read("today.csv");
        QCOMPARE(int(csv.count("\r\n")), kRecords);
        QVERIFY(!csv.contains("Срабатывание"));
    }
};

QTEST_MAIN(TestQReport)
#include "tst_qreport.moc"
