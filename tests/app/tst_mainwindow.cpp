// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on real widgets (offscreen), started on folders written by the tests.
#include "DataFolder.h"
#include "app/ConsoleMain.h"
#include "app/ConsoleWindows.h"
#include "app/DiagnosticsTexts.h"
#include "app/MainWindow.h"
#include "app/WidgetUi.h"
#include "common/ConverterFrame.h"
#include "common/EventLogFile.h"
#include "core/OperatorActions.h"
#include "dialogs/AboutBox.h"
#include "dialogs/AlarmWindow.h"
#include "link/ReportDecoder.h"
#include "registry/Alarms.h"
#include "registry/EventLog.h"
#include "registry/OperatorCommands.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <bit>
#include <csignal>
#include <functional>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

// Answers the exit question as the test says and remembers what was asked.
class AnsweringUi : public WidgetUi {
public:
    bool question(const QString& caption, const QString& text) override {
        asked << caption + QLatin1Char('|') + text;
        return answer;
    }
    void stopAlarmSound() override {
        ++soundStops;
        WidgetUi::stopAlarmSound();
    }
    bool answer = false;
    QStringList asked;
    int soundStops = 0;
};

// One run of the program in its own folder.
struct Run {
    QTemporaryDir dir;
    Console c;
    FakePort port{FakePort::Device::Missing}; // the windows run with no converter attached
    AnsweringUi* ui = nullptr;
    std::unique_ptr<ConsoleWindows> windows;

    bool start(const QList<SensorSpec>& sensors, quint16 portIndex = 0) {
        if (!dir.isValid() || !prepareFolder(dir.path(), sensors)) return false;
        if (!sensors.isEmpty() &&
            !writeFile(dir.filePath(QStringLiteral("data/hw.dat")), hwFile(sensors, portIndex)))
            return false;
        QDir::setCurrent(dir.path());
        c.link.attachPort(&port);
        auto answering = std::make_unique<AnsweringUi>();
        ui = answering.get();
        windows = std::make_unique<ConsoleWindows>(c, std::move(answering));
        return true;
    }
    ~Run() {
        windows.reset();
        QDir::setCurrent(QDir::tempPath());
    }
    MainWindow* fmain() const { return windows->mainWindow(); }
    template <typename T> T* child(const char* name) const {
        return fmain()->findChild<T*>(QString::fromLatin1(name));
    }
    QAbstractItemModel* sensorModel() const { return child<QTableView>("StringGrid1")->model(); }
    QAbstractItemModel* eventModel() const { return child<QTableView>("StringGrid2")->model(); }
    QString dayLog() const {
        return dir.filePath(QStringLiteral("QReport/") +
                            c.clock().date().toString(QStringLiteral("dd.MM.yyyy")));
    }
};

QList<QMessageBox*> visibleBoxes(const QString& text) {
    QList<QMessageBox*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->text() == text)
            found << box;
    return found;
}

QStringList allVisibleBoxTexts() {
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) texts << box->text();
    return texts;
}

QWidget* findTopLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name)) return w;
    return nullptr;
}

QStringList columnTexts(const QAbstractItemModel* m, int column) {
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, column).data().toString();
    return out;
}

QColor background(const QAbstractItemModel* m, int row, int column) {
    return m->index(row, column).data(Qt::BackgroundRole).value<QColor>();
}

// cp1251 texts as they lie in the log records.
const QByteArray kStartText("\xCD\xE0\xF7\xE0\xEB\xEE \xF0\xE0\xE1\xEE\xF2\xFB");
const QByteArray kExitText("\xC2\xFB\xF5\xEE\xE4 \xE8\xE7 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB");

// The record's code and text (NUL-terminated at offset 38).
void checkRecord(const QByteArray& log, int index, int code, const QByteArray& text) {
    const QByteArray rec = log.mid(index * 328, 328);
    QCOMPARE(rec.size(), 328);
    QCOMPARE(int(rec[16]), code);
    QCOMPARE(rec.mid(38, text.size()), text);
    QCOMPARE(rec[38 + text.size()], '\0');
}

const SensorSpec kSensor1234{5, 1234, 1, /*armed*/ 1, 0, /*status*/ 15};

// The whole program as main() runs it, in its own folder holding sensor 1234. exec() runs `atStart`
// on the first turn of the event loop, then Alt+X answered "Да"; `atEnd` runs as the loop ends.
// Returns the loop's exit code (7 when it never ended by itself).
struct WholeRun {
    QTemporaryDir dir;
    Console c;
    FakePort port{FakePort::Device::Missing};
    AnsweringUi* ui = nullptr; // only while exec() runs
    int soundStops = 0;        // the ui's count when the loop ended

    bool prepare() {
        if (!dir.isValid() || !prepareFolder(dir.path(), {kSensor1234})) return false;
        QDir::setCurrent(dir.path());
        c.link.attachPort(&port);
        return true;
    }
    // Ends the run with Alt+X answered Yes, or with `end` when one is given.
    int exec(const std::function<void()>& atStart, const std::function<void()>& atEnd,
             const std::function<void()>& end = nullptr) {
        auto answering = std::make_unique<AnsweringUi>();
        ui = answering.get();
        ui->answer = true;
        QTimer::singleShot(0, [&] {
            atStart();
            if (end)
                end();
            else
                QTest::keyClick(findTopLevel("Fmain"), Qt::Key_X, Qt::AltModifier);
        });
        const QMetaObject::Connection ending = QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] {
            soundStops = ui->soundStops;
            atEnd();
        });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
        const int rc = runConsole(c, std::move(answering), CoreDoor::Mode::Inline); // the test reaches into c
        ui = nullptr;
        QObject::disconnect(ending);
        QDir::setCurrent(QDir::tempPath());
        return rc;
    }
};

// Paint events a widget got and the area they covered.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++count;
            area += static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
    int count = 0;
    QRegion area;
};

// A type B status report of sensor 1234 (normal, loops normal) with thresholds and signals.
void sendReport1234(Console& c, float signal1) {
    std::vector<quint16> w{0x0141, 0, 1234, 2, 0x0000};
    for (float v : {12.0f, 13.0f, signal1, 6.0f})
        for (int i = 0; i < 4; ++i)
            w.push_back(quint16((std::bit_cast<quint32>(v) >> (8 * i)) & 0xFF));
    const QByteArray text = reportText(w);
    c.decoder().decode(text.constData(), int(text.size()), 0x41);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(w)) delete w;
    }

    void startsOnEmptyFolder() {
        Run run;
        run.c.clock = [] { return QDateTime(QDate(2025, 4, 14), QTime(10, 0, 0)); };
        QVERIFY(run.start({}));
        MainWindow* w = run.fmain();
        QCOMPARE(w->windowTitle(), QStringLiteral("Пульт управления охранными сетевыми датчиками Ватрел"));
        QCOMPARE(w->minimumSize(), QSize(687, 476));

        // The clock shows before Timer2 ever ticks, and showing it counted no watchdog tick.
        QCOMPARE(run.child<QLabel>("Label5")->text(), QStringLiteral("   Понедельник"));
        QCOMPARE(run.child<QLabel>("Label6")->text(), QStringLiteral(" 14.04.2025 10:00:00"));
        QCOMPARE(run.c.link.engine().clock_ticks, 0u);

        QAbstractItemModel* m = run.sensorModel();
        QCOMPARE(m->rowCount(), 200);
        QCOMPARE(m->columnCount(), 12);
        QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("№ п/п"));
        QCOMPARE(m->headerData(11, Qt::Horizontal).toString(), QStringLiteral("На охране Ш2"));
        QCOMPARE(m->index(0, 0).data().toString(), QStringLiteral("1"));
        QCOMPARE(m->index(199, 0).data().toString(), QStringLiteral("200"));
        for (int col = 1; col < 12; ++col)
            QVERIFY(columnTexts(m, col).join(QString()).isEmpty());
        QCOMPARE(background(m, 17, 4), QColor(192, 192, 192));

        QCOMPARE(run.child<QLabel>("Label8")->text(), QStringLiteral("Всего датчиков = 0   "));
        QCOMPARE(run.child<QLabel>("StatusPanel1")->text(), QStringLiteral("Alt+X-Выход"));
        QCOMPARE(run.child<QLabel>("StatusPanel2")->text(), QStringLiteral("COM1 выключен"));
        QCOMPARE(run.port.lastNumber, 1);
        QVERIFY(!run.child<QFrame>("PanelTransmitKartaAdress")->isVisible());

        // The start is logged on screen and in the day's file; nothing went wrong on the way.
        QAbstractItemModel* events = run.eventModel();
        QCOMPARE(events->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Наименование события"));
        QCOMPARE(events->index(0, 1).data().toString(), QStringLiteral("Начало работы"));
        QCOMPARE(events->rowCount(), 2); // the event and one empty row
        const QByteArray log = readFile(run.dayLog());
        QCOMPARE(log.size(), 328);
        checkRecord(log, 0, 20, kStartText);
        QCOMPARE(readFile(run.dir.filePath(QStringLiteral("data/hw.dat"))), QByteArray(1202, '\0'));
        QCOMPARE(allVisibleBoxTexts(), QStringList());
    }

    void clockTextsNameEveryWeekday() {
        const QStringList days =
            QString("Понедельник Вторник Среда Четверг Пятница Суббота Воскресенье").split(' ');
        for (int d = 0; d < 7; ++d)
            QCOMPARE(weekdayText(QDateTime(QDate(2025, 4, 14 + d), QTime(0, 0))), "   " + days[d]);
        QCOMPARE(clockDateTimeText(QDateTime(QDate(2025, 4, 20), QTime(0, 0, 5))), " 20.04.2025 00:00:05");
        QCOMPARE(weekdayText(QDateTime()) + clockDateTimeText(QDateTime()), QString());
    }

    void showsLoadedSensorAndDimsOtherRows() {
        Run run;
        QVERIFY(run.start({kSensor1234, {8, 77, 0, 0, 0, 0}}, 3));
        QAbstractItemModel* m = run.sensorModel();
        const QStringList row6 = [m] {
            QStringList r;
            for (int col = 0; col < 12; ++col)
                r << m->index(5, col).data().toString();
            return r;
        }();
        QCOMPARE(row6, (QStringList{"6", "1234", "Ватрел-Б", "Норма", "Норма", "0", "0", "0", "0",
                                    "Нет связи", "Взят", "Снят"}));
        QCOMPARE(m->index(8, 2).data().toString(), QStringLiteral("Ватрел-А"));
        QCOMPARE(background(m, 5, 1), QColor(171, 0, 0));
        QCOMPARE(background(m, 8, 1), QColor(0, 255, 0));
        QCOMPARE(m->index(5, 9).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));
        QCOMPARE(run.child<QLabel>("Label8")->text(), QStringLiteral("Всего датчиков = 2   "));
        QCOMPARE(run.child<QComboBox>("ComboBox1")->currentText(), QStringLiteral("COM4"));
        QCOMPARE(run.child<QLabel>("StatusPanel2")->text(), QStringLiteral("COM4 выключен"));

        // While slot 5's oscillogram runs every other row is silver; the stored colours come back.
        run.c.osc.setSlot(5);
        QCOMPARE(background(m, 5, 3), QColor(171, 0, 0));
        QCOMPARE(background(m, 8, 3), QColor(192, 192, 192));
        QCOMPARE(background(m, 0, 3), QColor(192, 192, 192));
        QCOMPARE(background(m, 199, 11), QColor(192, 192, 192));
        run.c.osc.setSlot(8);
        QCOMPARE(background(m, 5, 3), QColor(192, 192, 192));
        QCOMPARE(background(m, 8, 3), QColor(0, 255, 0));
        run.c.osc.setSlot(-1);
        QCOMPARE(background(m, 5, 3), QColor(171, 0, 0));
        QCOMPARE(background(m, 8, 3), QColor(0, 255, 0));

        // The table repaints what changed and no more: a cell, or the rows the oscillogram dims.
        run.ui->flushViews();
        QSignalSpy repainted(m, &QAbstractItemModel::dataChanged);
        run.c.sensorRows.setState(5, 0);
        run.c.sensorRows.setState(5, 0);
        run.ui->flushViews();
        QCOMPARE(repainted.size(), 1);
        QCOMPARE(repainted[0][0].toModelIndex(), m->index(5, colState));
        QCOMPARE(repainted[0][1].toModelIndex(), m->index(5, colState));
        QCOMPARE(m->index(5, colState).data().toString(), QStringLiteral("Норма"));
        repainted.clear();
        run.c.osc.setSlot(8);
        run.ui->flushViews();
        QCOMPARE(repainted.size(), kSlots - 1);
        for (const QList<QVariant>& change : repainted) {
            QVERIFY(change[0].toModelIndex().row() != 8);
            QCOMPARE(change[0].toModelIndex().row(), change[1].toModelIndex().row());
        }
    }

    void exitAnsweredNoChangesNothing() {
        Run run;
        QVERIFY(run.start({kSensor1234}));
        const QByteArray hw = readFile(run.dir.filePath(QStringLiteral("data/hw.dat")));
        const QByteArray settings = readFile(run.dir.filePath(QStringLiteral("VatrelB/1234")));
        run.fmain()->show();
        QApplication::processEvents();

        run.ui->answer = false;
        QVERIFY(!run.fmain()->close());
        QTest::keyClick(run.child<QTableView>("StringGrid1"), Qt::Key_X, Qt::AltModifier);
        QCOMPARE(run.ui->asked, (QStringList{"Выход|Завершить работу ?", "Выход|Завершить работу ?"}));
        QVERIFY(run.fmain()->isVisible());
        QCOMPARE(readFile(run.dir.filePath(QStringLiteral("data/hw.dat"))), hw);
        QCOMPARE(readFile(run.dir.filePath(QStringLiteral("VatrelB/1234"))), settings);
        QCOMPARE(readFile(run.dayLog()).size(), 328);
        QVERIFY(!columnTexts(run.eventModel(), 1).contains(QStringLiteral("Выход из программы")));

        // Alt with another letter, or X without Alt, is not the exit key.
        QTest::keyClick(run.child<QTableView>("StringGrid1"), Qt::Key_Z, Qt::AltModifier);
        QTest::keyClick(run.child<QTableView>("StringGrid1"), Qt::Key_X);
        QCOMPARE(run.ui->asked.size(), 2);
    }

    void exitAnsweredYesSavesAndLogs_data() {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("close request") << false;
        QTest::newRow("Alt+X") << true;
    }
    void exitAnsweredYesSavesAndLogs() {
        QFETCH(bool, byKey);
        Run run;
        QVERIFY(run.start({kSensor1234, {0, 9, 0, 1, 1, 0}}, 3));
        const QByteArray hw = readFile(run.dir.filePath(QStringLiteral("data/hw.dat")));
        QVERIFY(QFile::remove(run.dir.filePath(QStringLiteral("data/hw.dat"))));
        bool exitSignalled = false;
        QObject::connect(run.fmain(), &MainWindow::exitConfirmed, [&] { exitSignalled = true; });
        run.fmain()->show();
        QApplication::processEvents();

        run.ui->answer = true;
        if (byKey)
            QTest::keyClick(run.child<QTableView>("StringGrid1"), Qt::Key_X, Qt::AltModifier);
        else
            QVERIFY(run.fmain()->close());
        QCOMPARE(run.ui->asked, QStringList{"Выход|Завершить работу ?"});
        QVERIFY(!run.fmain()->isVisible());
        QVERIFY(exitSignalled);

        QCOMPARE(readFile(run.dir.filePath(QStringLiteral("data/hw.dat"))), hw);
        // The last settings record keeps the arming and shows the sensor lost with both loops in alarm.
        const QByteArray rec = readFile(run.dir.filePath(QStringLiteral("VatrelB/1234")));
        QCOMPARE(rec.size(), 232);
        QCOMPARE(int(rec[48]), 1);
        QCOMPARE(int(rec[52]), 15);
        QCOMPARE(int(rec[56]), 1);
        QCOMPARE(int(rec[57]), 1);
        QCOMPARE(readFile(run.dir.filePath(QStringLiteral("VatrelA/9"))).mid(52, 6),
                 QByteArray("\x0F\0\0\0\x01\x01", 6));

        const QByteArray log = readFile(run.dayLog());
        QCOMPARE(log.size(), 2 * 328);
        checkRecord(log, 1, 20, kExitText);
        QCOMPARE(run.eventModel()->index(1, 1).data().toString(), QStringLiteral("Выход из программы"));
    }

    void linkNoticesAndRepeatedBoxesNeverStack() {
        Run run;
        QVERIFY(run.start({}));
        WidgetUi* ui = run.ui;
        const QString text = QStringLiteral("Ini_Hw: не открылся файл hw.dat");
        ui->message(QStringLiteral("Ошибка"), text, ConsoleUi::Icon::Error);
        ui->message(QStringLiteral("Ошибка"), text, ConsoleUi::Icon::Error);
        QCOMPARE(visibleBoxes(text).size(), 1);
        QMessageBox* box = visibleBoxes(text).first();
        QCOMPARE(box->windowTitle(), QStringLiteral("Ошибка"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        // Once the operator closed it, the same text may be shown again.
        box->done(QMessageBox::Ok);
        QApplication::processEvents();
        QCOMPARE(visibleBoxes(text).size(), 0);
        ui->message(QStringLiteral("Ошибка"), text, ConsoleUi::Icon::Error);
        QCOMPARE(visibleBoxes(text).size(), 1);

        // Link notices arrive on the next turn of the loop, never inside the caller.
        const QString lost = QStringLiteral("Нет связи с преобразователем!");
        const QString restored = QStringLiteral("Связь с преобразователем восстановлена!");
        ui->converterLinkLost();
        ui->converterLinkLost();
        ui->converterLinkRestored();
        QCOMPARE(visibleBoxes(lost).size(), 0);
        QApplication::processEvents();
        QCOMPARE(visibleBoxes(lost).size(), 1);
        QCOMPARE(visibleBoxes(lost).first()->windowTitle(), QStringLiteral("Ошибка"));
        QCOMPARE(visibleBoxes(lost).first()->icon(), QMessageBox::Critical);
        QCOMPARE(visibleBoxes(restored).size(), 1);
        QCOMPARE(visibleBoxes(restored).first()->windowTitle(), QString());
        // Its title bar stays blank rather than showing the program's name.
        QCOMPARE(visibleBoxes(restored).first()->windowHandle()->title(), QStringLiteral(" "));
        QCOMPARE(visibleBoxes(restored).first()->icon(), QMessageBox::Warning);
    }

    void selectionFollowsTheOperatorOnly() {
        Run run;
        QVERIFY(run.start({kSensor1234}));
        run.fmain()->show();
        QApplication::processEvents();
        auto* grid = run.child<QTableView>("StringGrid1");

        // The focus arriving in the table is not a choice of sensor.
        QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(grid, &focusIn);
        QCOMPARE(run.c.selection.row(), 0);
        QVERIFY(!run.c.selection.highlighted());

        const QRect cell = grid->visualRect(grid->model()->index(11, 7));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(run.c.selection.row(), 12);
        QCOMPARE(run.c.selection.column(), 7);
        QVERIFY(run.c.selection.highlighted());

        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(run.c.selection.row(), 13);
    }

    void contextMenuOffersWhatTheCoreAllows() {
        Run run;
        QVERIFY(run.start({kSensor1234}));
        run.fmain()->show();
        QApplication::processEvents();

        QMap<QString, bool> enabled;
        QStringList captions;
        auto readAndClose = [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* a : menu->actions()) {
                if (a->isSeparator()) continue;
                captions << a->text();
                enabled[a->objectName()] = a->isEnabled();
            }
            menu->close();
        };

        // Answers a box first (it must come before the menu), then reads the menu.
        QStringList answered;
        int tries = 0;
        bool boxWithMenu = false;
        std::function<void()> answerThenRead = [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxWithMenu = boxWithMenu || QApplication::activePopupWidget();
                answered << box->text();
                box->done(QMessageBox::Ok);
            } else if (QApplication::activePopupWidget()) {
                readAndClose();
                return;
            }
            if (++tries < 500) QTimer::singleShot(10, run.fmain(), answerThenRead);
        };

        // Nothing selected: the operator is told so, then only the sensor log stays offered.
        QTimer::singleShot(0, run.fmain(), answerThenRead);
        run.fmain()->showSensorMenu(QPoint(5, 5));
        QCOMPARE(captions, (QStringList{"Подключить датчик", "Отключить датчик", "Взять под охрану Ш1",
                                        "Взять под охрану Ш2", "Снять с охраны Ш1", "Снять с охраны Ш2",
                                        "Снять Ш1 на время…", "Снять Ш2 на время…",
                                        "Изменение постоянной составляющей порога ", "Протокол датчика"}));
        QStringList on;
        for (auto it = enabled.cbegin(); it != enabled.cend(); ++it)
            if (it.value()) on << it.key();
        QCOMPARE(on, QStringList{"N1"});
        QCOMPARE(answered,
                 QStringList{QStringLiteral("Выберите позицию датчика в таблице, щёлкнув левой кнопкой "
                                            "мыши по соответствующей ячейке столбца <Зав.№>")});
        QVERIFY(!boxWithMenu);

        // The occupied row 6 with loop 1 armed.
        run.c.selection.selectRow(6);
        captions.clear();
        enabled.clear();
        answered.clear();
        tries = 0;
        QTimer::singleShot(0, run.fmain(), answerThenRead);
        run.fmain()->showSensorMenu(QPoint(5, 5));
        on.clear();
        for (auto it = enabled.cbegin(); it != enabled.cend(); ++it)
            if (it.value()) on << it.key();
        on.sort();
        QCOMPARE(on, (QStringList{"N1", "N_Direct_component_porog", "PRemove", "PRemoveSh1", "PSetSh2",
                                  "PTimedRemoveSh1"}));
    }

    // Every bold font of the windows draws the breve of "й" and "Й" at least as clearly as the same
    // font's regular face does: the letters must not read as "и" and "И".
    void boldCyrillicKeepsItsMarks() {
        Run run;
        QVERIFY(run.start({}));
        QMap<QString, QFont> bold; // by key, each font once
        for (QWidget* w : QApplication::allWidgets()) {
            QList<QFont> fonts{w->font()};
            if (auto* view = qobject_cast<QTableView*>(w); view && view->model())
                for (int col = 0; col < view->model()->columnCount(); ++col)
                    fonts << view->model()->index(0, col).data(Qt::FontRole).value<QFont>();
            for (const QFont& f : fonts)
                if (f.bold()) bold.insert(f.key(), f);
        }
        QVERIFY(bold.size() >= 3); // the grids, the toolbar and tab captions, the alarm list at least
        // Ink of the letter with the breve ("й") beyond the letter without it ("и").
        const auto breve = [](QFont f, bool isBold, const QString& letters) {
            f.setBold(isBold);
            QImage img[2] = {QImage(60, 60, QImage::Format_Grayscale8),
                             QImage(60, 60, QImage::Format_Grayscale8)};
            for (int i = 0; i < 2; ++i) {
                img[i].fill(Qt::white);
                QPainter p(&img[i]);
                p.setFont(f);
                p.drawText(10, 45, letters.mid(i, 1));
            }
            qint64 sum = 0;
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 60; ++x)
                    sum += qMax(0, qGray(img[1].pixel(x, y)) - qGray(img[0].pixel(x, y)));
            return sum;
        };
        for (const QFont& f : std::as_const(bold))
            for (const QString& letters : {QStringLiteral("йи"), QStringLiteral("ЙИ")})
                QVERIFY2(breve(f, true, letters) >= breve(f, false, letters), qPrintable(letters + f.key()));
    }

    // Every state text shows whole in the "Состояние" column, measured with the font the table draws
    // in; the table's faces are the metric-compatible ones, not a wider fallback.
    void stateTextsFitTheirColumn() {
        Run run;
        QVERIFY(run.start({}));
        auto* view = run.child<QTableView>("StringGrid1");
        const QFont font = run.sensorModel()->index(0, 9).data(Qt::FontRole).value<QFont>();
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Tahoma"));
        // MS Sans Serif is drawn in Tahoma, which has the bold the toolbar and the tab captions need.
        QFont toolbar = run.child<QLabel>("Label8")->font();
        QCOMPARE(QFontInfo(toolbar).family(), QStringLiteral("Tahoma"));
        QVERIFY(QFontInfo(toolbar).bold());
        // Bold is drawn bold: clearly more ink than the regular face for the same text.
        const auto ink = [](const QFont& f) {
            QImage img(400, 60, QImage::Format_Grayscale8);
            img.fill(Qt::white);
            QPainter p(&img);
            p.setFont(f);
            p.drawText(5, 40, QStringLiteral("ВНИМАНИЕ ТРЕВОГА 1234"));
            p.end();
            qint64 sum = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    sum += 255 - qGray(img.pixel(x, y));
            return sum;
        };
        QFont regular = toolbar;
        regular.setBold(false);
        QVERIFY2(ink(toolbar) > ink(regular) * 5 / 4,
                 qPrintable(QStringLiteral("bold %1, regular %2").arg(ink(toolbar)).arg(ink(regular))));
        const QFontMetrics fm(font);
        for (const char* text :
             {"Норма", "Сопр.изол.ЧЭ1 ниже нормы", "Сопр.изол.ЧЭ2 ниже нормы", "Обрыв ЧЭ 1", "Обрыв ЧЭ 2",
              "Разбаланс фл.(1>2)", "Разбаланс фл.(2>1)", "Ошибка ППЗУ",
              "Сопр.изол.ЧЭ1 ниже нормы. Обрыв ЧЭ1", "Сопр.изол.ЧЭ2 ниже нормы. Обрыв ЧЭ2", "Нет связи"})
            QVERIFY2(fm.horizontalAdvance(QString::fromUtf8(text)) + 8 <= view->columnWidth(9), text);
    }

    // The position numbers are a fixed column: they stay at the left edge while the table scrolls
    // sideways, and a click on them selects no sensor.
    void positionColumnIsFixed() {
        Run run;
        QVERIFY(run.start({kSensor1234}));
        run.fmain()->resize(run.fmain()->minimumSize());
        run.fmain()->show();
        QVERIFY(QTest::qWaitForWindowExposed(run.fmain()));
        auto* table = run.child<QTableView>("StringGrid1");
        QScrollBar* sideways = table->horizontalScrollBar();
        QVERIFY(sideways->maximum() > 0);
        sideways->setValue(sideways->maximum());
        QApplication::processEvents();

        // Row 6 (sensor 1234, no link) is dark red in every normal cell; its position cell is not.
        // Looked at just above the text.
        const int y = table->horizontalHeader()->height() + 5 * 22 + 3;
        const QImage shot = table->grab().toImage();
        QCOMPARE(shot.pixelColor(table->frameWidth() + 40, y),
                 QGuiApplication::palette().color(QPalette::Button));
        QCOMPARE(shot.pixelColor(table->frameWidth() + table->columnWidth(0) + 40, y), QColor(171, 0, 0));

        auto* fixed = run.child<QTableView>("StringGrid1Fixed");
        QTest::mouseClick(fixed->viewport(), Qt::LeftButton, {}, QPoint(20, 2 * 22 + 11));
        QCOMPARE(run.c.selection.row(), 0);

        // At the end of the table the numbers still stand beside their rows.
        QScrollBar* down = table->verticalScrollBar();
        down->setValue(down->maximum());
        QApplication::processEvents();
        QCOMPARE(fixed->viewport()->height(), table->viewport()->height());
        QCOMPARE(fixed->verticalScrollBar()->value(), down->value());
        QCOMPARE(fixed->rowAt(fixed->viewport()->height() - 1),
                 table->rowAt(table->viewport()->height() - 1));
    }

    void eventTabShowsTheNewestRow() {
        Run run;
        QVERIFY(run.start({}));
        run.fmain()->show();
        QApplication::processEvents();
        auto* tabs = run.child<QTabWidget>("PageControl2");
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions,
                 (QStringList{"Датчики", "Протокол событий", "Диагностика", "Осциллограф датчиков Ватрел-Б",
                              "Осциллограф датчиков Ватрел-А", "Статистика"}));
        auto* list = run.child<QTableView>("StringGrid2");
        QCOMPARE(list->currentIndex().row(), -1);
        tabs->setCurrentIndex(1);
        QCOMPARE(list->currentIndex().row(), list->model()->rowCount() - 1);
        QCOMPARE(list->currentIndex().column(), 0);
        // The current line is not highlighted: every line keeps the colours of its event.
        QVERIFY(!list->selectionModel()->isSelected(list->currentIndex()));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->currentIndex()).center());
        QVERIFY(!list->selectionModel()->hasSelection());
    }

    void eventListGrowsWithColouredLines() {
        Run run;
        QVERIFY(run.start({}));
        QAbstractItemModel* events = run.eventModel();
        QSignalSpy inserted(events, &QAbstractItemModel::rowsInserted);
        run.c.eventLog.logProgramEvent(run.c.eventLog.makeEvent(
            0, EventCode::LinkLostConverter, QStringLiteral("Нет связи с преобразователем")));
        run.c.eventLog.logProgramEvent(run.c.eventLog.makeEvent(
            0, EventCode::LinkRestoredConverter, QStringLiteral("Связь с преобразователем восстановлена")));
        QCOMPARE(inserted.size(), 2);
        QCOMPARE(events->rowCount(), 4);
        QCOMPARE(columnTexts(events, 1), (QStringList{"Начало работы", "Нет связи с преобразователем",
                                                      "Связь с преобразователем восстановлена", ""}));
        QCOMPARE(events->index(0, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));
        QCOMPARE(events->index(1, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(171, 0, 0));
        QCOMPARE(events->index(2, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 128, 0));
        const QColor infoTip = QApplication::palette().color(QPalette::ToolTipBase);
        for (int row = 0; row < 4; ++row)
            QCOMPARE(events->index(row, 1).data(Qt::BackgroundRole).value<QColor>(), infoTip);
        // Lines and header are drawn in the style's font: MS Sans Serif, 9 points.
        for (const QFont& f : {events->index(1, 1).data(Qt::FontRole).value<QFont>(),
                               events->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>()}) {
            QCOMPARE(f.family(), QStringLiteral("MS Sans Serif"));
            QCOMPARE(f.pointSize(), 9);
        }
    }

    void alarmWindowComesForward() {
        Run run;
        QVERIFY(run.start({}));
        run.fmain()->show();
        QApplication::processEvents();
        QVERIFY(!run.windows->alarmWindow()->isVisible());
        raiseAlarm(
            run.c.alarms, run.c.notices,
            run.c.eventLog.makeEvent(1234, EventCode::LoopAlarm1, QStringLiteral("Срабатывание 1 шлейфа")));
        QVERIFY(run.windows->alarmWindow()->isVisible());
        QVERIFY(run.fmain()->isVisible());

        // The operator once tabbed to "Отбой тревог", then went back to the main window. A new alarm
        // raises the window with the focus on the sensor number, so a Space typed meanwhile is harmless.
        AlarmWindow* alarm = run.windows->alarmWindow();
        alarm->findChild<QPushButton*>(QStringLiteral("BitBtnAllOtboy"))->setFocus();
        run.fmain()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(run.fmain()));
        raiseAlarm(
            run.c.alarms, run.c.notices,
            run.c.eventLog.makeEvent(1234, EventCode::LoopAlarm2, QStringLiteral("Срабатывание 2 шлейфа")));
        QVERIFY(QTest::qWaitForWindowActive(alarm));
        QTest::keyClick(alarm->windowHandle(), Qt::Key_Space);
        QVERIFY(alarm->isVisible());
        QCOMPARE(run.c.alarms.rows(), 2);

        // Alarms that came in after the list was drawn (their refresh still waits) are not acknowledged
        // by "Отбой тревог": the operator never saw them. The drawn ones go; the new ones stay, and
        // the window stays up with them and its sound; the next "Отбой тревог" clears them.
        run.ui->setRefreshInterval(200);
        run.ui->flushViews();
        raiseAlarm(
            run.c.alarms, run.c.notices,
            run.c.eventLog.makeEvent(1234, EventCode::LoopAlarm1, QStringLiteral("Срабатывание 1 шлейфа")));
        raiseAlarm(
            run.c.alarms, run.c.notices,
            run.c.eventLog.makeEvent(1234, EventCode::LoopAlarm2, QStringLiteral("Срабатывание 2 шлейфа")));
        auto* allClear = alarm->findChild<QPushButton*>(QStringLiteral("BitBtnAllOtboy"));
        allClear->click();
        QVERIFY(alarm->isVisible());
        QCOMPARE(run.c.alarms.rows(), 2);
        QVERIFY(run.c.alarms.soundOn());
        QTRY_COMPARE(alarm->findChild<QLabel*>(QStringLiteral("LabelNumAlarm"))->text(), QStringLiteral("2"));
        allClear->click();
        QVERIFY(!alarm->isVisible());
        QVERIFY(run.c.alarms.isEmpty());
        QTest::qWait(400);
        QVERIFY(!alarm->isVisible());
    }

    void diagnosticsTabChoosesThePort() {
        Run run;
        QVERIFY(run.start({}));
        // "СОМ" in this caption is written in Cyrillic letters.
        QCOMPARE(run.child<QLabel>("Label9")->text(),
                 QString::fromUtf16(
                     u"\u0412\u044b\u0431\u043e\u0440 \u0421\u041e\u041c-\u043f\u043e\u0440\u0442\u0430"));
        auto* ports = run.child<QComboBox>("ComboBox1");
        QCOMPARE(ports->count(), 71);
        QCOMPARE(ports->itemText(0), QStringLiteral("COM1"));
        QCOMPARE(ports->itemText(69), QStringLiteral("COM70"));
        QCOMPARE(ports->itemText(70), QString());
        QVERIFY(!run.child<QComboBox>("ComboBoxSpeedRS485")->isVisibleTo(run.fmain()));

        QCOMPARE(run.child<QLabel>("N_rv_byte")->text(), QStringLiteral("----"));
        QCOMPARE(run.child<QLabel>("Label35")->text(), QStringLiteral("----"));

        const int opens = run.port.openCalls;
        ports->setCurrentIndex(11);
        emit ports->activated(11);
        QCOMPARE(run.port.openCalls, opens + 1);
        QCOMPARE(run.port.lastNumber, 12);
        QCOMPARE(run.child<QLabel>("StatusPanel2")->text(), QStringLiteral("COM12 выключен"));
        QCOMPARE(run.c.ports.index(), 11);
    }

    // The diagnostics grid's texts, made from each slot's counts and link: a sensor known at start-up
    // without a link, a free position, and a sensor whose link came up and counted an error.
    void diagnosticsGridShowsCountsAndLinks() {
        Run run;
        QVERIFY(run.start({kSensor1234, {9, 77, 0, 1, 0, 0}}));
        QAbstractItemModel* grid = run.child<QTableView>("StringGridCOM")->model();
        const auto text = [grid](int row, int col) { return grid->index(row, col).data().toString(); };
        QStringList header;
        for (int col = 0; col < 4; ++col)
            header << grid->headerData(col, Qt::Horizontal).toString();
        QCOMPARE(header, (QStringList{"№ позиции", "Ошибки КС", "Тайм-ауты", "Связь с преобразователем"}));
        QCOMPARE(grid->rowCount(), 200);
        QCOMPARE(text(199, 0), QStringLiteral("200"));
        QCOMPARE((QStringList{text(5, 1), text(5, 2), text(5, 3)}), (QStringList{"0", "0", "Нет связи"}));
        QCOMPARE((QStringList{text(3, 1), text(3, 2), text(3, 3)}), (QStringList{"", "", ""}));
        QCOMPARE(text(9, 3), QString()); // linked at the last run: nothing said until it answers
        for (int i = 0; i < 3; ++i)
            run.c.link.countSlotReport(SlotCount::ChecksumErrors, 9);
        run.c.link.setSlotLink(9, SlotLink::Up);
        QCOMPARE((QStringList{text(9, 1), text(9, 2), text(9, 3)}), (QStringList{"3", "0", "Есть связь"}));
    }

    // The sensor table repaints what a report changed and nothing else: the same report again
    // paints nothing, a new signal value only its own cell.
    void tableRepaintsOnlyWhatChanged() {
        Run run;
        QVERIFY(run.start({kSensor1234}));
        run.fmain()->show();
        QVERIFY(QTest::qWaitForWindowExposed(run.fmain()));
        auto* grid = run.child<QTableView>("StringGrid1");
        PaintRecorder paints(grid->viewport());
        sendReport1234(run.c, 5.0f);
        QTRY_VERIFY(paints.count > 0);
        QCOMPARE(run.sensorModel()->index(5, 9).data().toString(), QStringLiteral("Норма"));

        paints.count = 0;
        paints.area = QRegion();
        sendReport1234(run.c, 5.0f);
        QTest::qWait(50);
        QCOMPARE(paints.count, 0);

        sendReport1234(run.c, 7.0f);
        QTRY_VERIFY(paints.count > 0);
        QCOMPARE(run.sensorModel()->index(5, 6).data().toString(), QStringLiteral("7.000"));
        const QRect cell = grid->visualRect(run.sensorModel()->index(5, 6));
        QVERIFY2(cell.contains(paints.area.boundingRect()), "more than the changed cell was painted");
    }

    // A full event list moves its picture up for new lines; the lines keep their own colours, and
    // what is on screen is what a fresh paint of the list shows.
    void fullEventListMovesItsPicture() {
        Run run;
        QVERIFY(run.start({}));
        run.fmain()->show();
        run.child<QTabWidget>("PageControl2")->setCurrentIndex(1);
        QVERIFY(QTest::qWaitForWindowExposed(run.fmain()));
        auto* list = run.child<QTableView>("StringGrid2");
        const EventCode codes[] = {EventCode::SensorNormal, EventCode::LinkLostSensor,
                                   EventCode::InsulationLow1, EventCode::ProgramStart,
                                   EventCode::LinkRestoredSensor};
        auto log = [&run, &codes](int n) {
            run.c.eventLog.logProgramEvent(
                run.c.eventLog.makeEvent(0, codes[n % 5], QStringLiteral("Событие %1").arg(n)));
        };
        for (int n = 1; n <= 520; ++n)
            log(n);
        QTRY_COMPARE(run.eventModel()->index(499, 1).data().toString(), QStringLiteral("Событие 520"));
        QTest::qWait(150);

        PaintRecorder paints(list->viewport());
        for (int n = 521; n <= 522; ++n)
            log(n);
        QTRY_VERIFY(paints.count > 0);
        QTest::qWait(150);
        // The new lines, and the current cell at its place and where its frame had moved to.
        qint64 painted = 0;
        for (const QRect& r : paints.area)
            painted += qint64(r.width()) * r.height();
        QVERIFY2(painted <= 4LL * list->rowHeight(0) * list->viewport()->width(),
                 "more than the new lines was painted");
        QCOMPARE(run.eventModel()->index(499, 1).data().toString(), QStringLiteral("Событие 522"));
        const QRect onWindow(list->viewport()->mapTo(run.fmain(), QPoint(0, 0)), list->viewport()->size());
        const QImage shown =
            run.fmain()->windowHandle()->screen()->grabWindow(run.fmain()->winId()).toImage();
        QVERIFY(shown.copy(onWindow).convertToFormat(QImage::Format_RGB32) ==
                list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    void waitPanelFollowsTheCore() {
        Run run;
        QVERIFY(run.start({}));
        run.fmain()->show();
        QApplication::processEvents();
        auto* panel = run.child<QFrame>("PanelTransmitKartaAdress");
        QCOMPARE(panel->findChild<QLabel*>(QStringLiteral("Label11"))->text(),
                 QStringLiteral(
                     "Подождите, пожалуйста. Идёт передача списка адресов  устройств преобразователю "));
        run.c.status.showWaitPanel(true);
        QVERIFY(panel->isVisible());
        run.c.status.showWaitPanel(false);
        QVERIFY(!panel->isVisible());
    }

    // With a refresh interval, changes that come in a burst reach the windows together once the
    // interval is over, and none is lost.
    void burstsOfChangesAreShownTogether() {
        Run run;
        QVERIFY(run.start({}));
        auto* panel4 = run.child<QLabel>("StatusPanel4");
        run.ui->setRefreshInterval(300);
        run.ui->flushViews();
        run.c.status.setPanel(4, QStringLiteral("первое"));
        run.c.status.showSensorCount(7);
        QVERIFY(panel4->text() != QStringLiteral("первое"));
        QTRY_COMPARE(panel4->text(), QStringLiteral("первое"));
        QCOMPARE(run.child<QLabel>("Label8")->text(), QStringLiteral("Всего датчиков = 7   "));
    }

    // The real start and quit path of main(): with alarms listed and the sound looping, "Да" ends the
    // event loop (the alarm window refuses to close, so a polite quit would leave the program running).
    void exitEndsTheRunWhateverIsOnScreen() {
        WholeRun run;
        QVERIFY(run.prepare());
        bool alarmShownBeforeExit = false;
        bool alarmShownAtEnd = true;
        const int rc = run.exec(
            [&] {
                raiseAlarm(run.c.alarms, run.c.notices,
                           run.c.eventLog.makeEvent(1234, EventCode::LoopAlarm1,
                                                    QStringLiteral("Срабатывание 1 шлейфа")));
                run.ui->flushViews();
                QWidget* alarm = findTopLevel("FormAlarmWindow");
                alarmShownBeforeExit = alarm && alarm->isVisible() && run.c.alarms.soundOn();
            },
            [&] {
                QWidget* alarm = findTopLevel("FormAlarmWindow");
                alarmShownAtEnd = alarm && alarm->isVisible();
            });
        QVERIFY(alarmShownBeforeExit);
        QCOMPARE(rc, 0);
        QVERIFY(!alarmShownAtEnd);
        QVERIFY(!run.c.alarms.soundOn());
        QVERIFY(run.soundStops >= 1);
        QCOMPARE(run.c.alarms.rows(), 1); // exiting acknowledges nothing
        const QByteArray log = readFile(run.dir.filePath(
            QStringLiteral("QReport/") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))));
        checkRecord(log, int(log.size() / 328) - 1, 20, kExitText);
    }

    // The system ends the program (shutdown, logout): arming changed during the run is in the sensor's
    // file as soon as it changes, and the signal runs the exit's saving and logging without a question.
    void endSignalSavesAndLogsWithoutAsking_data() {
        QTest::addColumn<int>("sig");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void endSignalSavesAndLogsWithoutAsking() {
        QFETCH(int, sig);
        WholeRun run;
        QVERIFY(run.prepare());
        const QString settings = run.dir.filePath(QStringLiteral("VatrelB/1234"));
        QByteArray afterArming;
        QStringList asked{"not ended"};
        const int rc = run.exec(
            [&] {
                run.c.sensors.setOnline(5, true);
                run.c.selection.selectRow(6);
                run.c.actions().armSelectedLoop(2);
                afterArming = readFile(settings);
            },
            [&] { asked = run.ui->asked; }, [&] { ::raise(sig); });
        QCOMPARE(rc, 0);
        QCOMPARE(asked, QStringList());
        QCOMPARE(afterArming.size(), 232);
        QCOMPARE(int(afterArming[49]), 1);
        const QByteArray rec = readFile(settings);
        QCOMPARE(int(rec[48]), 1);
        QCOMPARE(int(rec[49]), 1);
        QCOMPARE(int(rec[52]), 15);
        const QByteArray log = readFile(run.dir.filePath(
            QStringLiteral("QReport/") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))));
        checkRecord(log, int(log.size() / 328) - 1, 20, kExitText);
    }

    // A save that fails at exit shows its box, and the operator answers it before the program ends.
    void saveFailuresAtExitAreAnsweredBeforeTheEnd() {
        WholeRun run;
        QVERIFY(run.prepare());
        QStringList answered;
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    answered << box->text();
                    box->button(QMessageBox::Ok)->click();
                }
        });
        QStringList unansweredAtEnd;
        const int rc = run.exec(
            [&] {
                // Neither folder can take a file any more: each is now a plain file.
                for (const char* sub : {"data", "VatrelB"}) {
                    QVERIFY(QDir(run.dir.filePath(QString::fromLatin1(sub))).removeRecursively());
                    QVERIFY(writeFile(run.dir.filePath(QString::fromLatin1(sub)), "x"));
                }
                answerer.start(50);
            },
            [&] {
                answerer.stop();
                unansweredAtEnd = allVisibleBoxTexts();
            });
        QCOMPARE(rc, 0);
        // One box for the whole exit, naming the files; the list is in the day's log, which still
        // takes records.
        QCOMPARE(answered, QStringList{QStringLiteral("При выходе не сохранено файлов: 2\n"
                                                      "Save_Hw: не открылся файл hw.dat\n"
                                                      "Save_sm: не открылся файл VatrelB\\1234\n"
                                                      "Полный список: в протоколе за ") +
                                       QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")) + "."});
        QCOMPARE(unansweredAtEnd, QStringList());
    }

    // While any dialog of the main window is open, the alarm window's buttons work, and the dialog
    // opens above the always-on-top alarm window.
    void alarmWindowStaysUsableBesideDialogs_data() {
        QTest::addColumn<bool>("aboutBox");
        QTest::newRow("about box") << true;
        QTest::newRow("message box of a dialog") << false;
    }
    void toolbarChoosesTheOperatorOnDuty() {
        Run run;
        OperatorRecord ivanov, petrov;
        ivanov.surname = QStringLiteral("Иванов");
        petrov.surname = QStringLiteral("Петров");
        QVERIFY(QDir(run.dir.path()).mkpath(QStringLiteral("data")));
        QVERIFY(writeFile(run.dir.filePath("data/chop.dat"), ivanov.encode() + petrov.encode()));
        QVERIFY(writeFile(run.dir.filePath("data/duty.dat"), DutyOperator::encode(0)));
        QVERIFY(run.start({}));
        auto* choice = run.child<QComboBox>("ComboBoxDuty"); // the last run's duty shows
        QCOMPARE(choice->currentText(), QStringLiteral("Иванов"));
        emit choice->activated(2);
        QTRY_COMPARE(readEventFile(run.dayLog()).last().text,
                     QStringLiteral("Смена: дежурный Петров (был Иванов)"));
        QTRY_COMPARE(choice->currentText(), QStringLiteral("Петров"));
    }

    void alarmWindowStaysUsableBesideDialogs() {
        QFETCH(bool, aboutBox);
        Run run;
        QVERIFY(run.start({kSensor1234}));
        run.fmain()->show();
        QVERIFY(QTest::qWaitForWindowExposed(run.fmain()));
        raiseAlarm(
            run.c.alarms, run.c.notices,
            run.c.eventLog.makeEvent(1234, EventCode::LoopAlarm1, QStringLiteral("Срабатывание 1 шлейфа")));
        run.ui->flushViews();
        AlarmWindow* alarm = run.windows->alarmWindow();
        QVERIFY(alarm->isVisible());

        bool dialogAbove = false;
        bool acknowledged = false;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            dialogAbove = modal && (modal->windowFlags() & Qt::WindowStaysOnTopHint);
            // Through the window system, where a window blocked by a modal one loses the click.
            auto* button = alarm->findChild<QPushButton*>(QStringLiteral("BitBtnAllOtboy"));
            QTest::mouseClick(alarm->windowHandle(), Qt::LeftButton, {},
                              button->mapTo(alarm, button->rect().center()));
            acknowledged = !alarm->isVisible() && run.c.alarms.isEmpty() && !run.c.alarms.soundOn();
            if (modal) modal->close();
        });
        if (aboutBox)
            run.fmain()->openAboutBox();
        else
            QMessageBox::warning(run.fmain(), QStringLiteral("Ошибка"), QStringLiteral("Неверный ввод"));
        QVERIFY(acknowledged);
        QVERIFY(dialogAbove);
        QVERIFY(run.ui->soundStops >= 1);
    }

    // The picture of a typical table, saved for a person to look at, and checked where an operator
    // looks first: the colour of each row as painted.
    void screenshot() {
        Run run;
        QVERIFY(run.start({
            {0, 101, 0, 1, 1, 0},
            {1, 1234, 1, 1, 0, 15},
            {2, 2002, 1, 0, 0, 3},
            {3, 303, 0, 0, 0, 0},
            {4, 505, 1, 1, 1, 0, 1, 0},
            {6, 7007, 1, 0, 1, 9},
        }));
        run.fmain()->show();
        QApplication::processEvents();
        const QString dir = QStringLiteral(VATREL_BUILD_DIR "/screenshots");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(run.fmain()->grab().save(dir + QStringLiteral("/main.png")));
        auto* table = run.child<QTableView>("StringGrid1");
        const QImage shot = table->grab().toImage();
        // Filled at start-up, a normal sensor is green even with both loops disarmed.
        const QColor painted[] = {{0, 255, 0},    {171, 0, 0},     {242, 107, 83}, {0, 255, 0},
                                  {242, 107, 83}, {192, 192, 192}, {242, 107, 83}};
        for (int row = 0; row < 7; ++row) {
            const QRect cell = table->visualRect(table->model()->index(row, 4));
            const QPoint at = table->viewport()->mapTo(table, cell.topLeft() + QPoint(cell.width() - 4, 4));
            QCOMPARE(shot.pixelColor(at), painted[row]);
        }
        run.windows->aboutBox->show();
        QApplication::processEvents();
        QVERIFY(run.windows->aboutBox->grab().save(dir + QStringLiteral("/about.png")));
        run.windows->aboutBox->hide();
        auto* tabs = run.child<QTabWidget>("PageControl2");
        const char* names[] = {"sensors", "events", "diagnostics", "osc_b", "osc_a", "statistics"};
        for (int i = 1; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            QVERIFY(
                run.fmain()->grab().save(dir + QStringLiteral("/main_%1.png").arg(QLatin1String(names[i]))));
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
