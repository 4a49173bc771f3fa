// SPDX-License-Identifier: GPL-3.0-or-later
// The two oscilloscope tabs on real widgets (offscreen): start and stop from the tab, samples from
// the line in the right series, the sliding window, scale entries and their messages, the dimming.
#include "DataFolder.h"
#include "app/ConsoleWindows.h"
#include "app/MainWindow.h"
#include "link/Engine.h"
#include "link/LinkTestSupport.h"
#include "link/Oscilloscope.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QValueAxis>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

// The console in its own folder with a line that opens, the address map already transferred.
struct TabRun {
    QTemporaryDir dir;
    Console c;
    FakePort port;
    std::unique_ptr<ConsoleWindows> windows;

    bool start() {
        const QList<SensorSpec> sensors{{4, 1234, 1, 1, 0, 0}, {9, 77, 0, 1, 0, 0}};
        if (!dir.isValid() || !prepareFolder(dir.path(), sensors)) return false;
        QDir::setCurrent(dir.path());
        c.link.attachPort(&port);
        windows = std::make_unique<ConsoleWindows>(c);
        windows->door()
            ->timers()
            ->findChild<QTimer*>(QStringLiteral("Timer1"))
            ->stop(); // no polls between our commands
        c.link.setState(ConverterState::Up);
        c.link.setMapPosition(kSlots);
        c.sensors.record(4).link_up = c.sensors.record(9).link_up = 1;
        fmain()->show();
        fmain()->activateWindow();
        return QTest::qWaitForWindowActive(fmain());
    }
    ~TabRun() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(w)) delete w;
        windows.reset();
        QDir::setCurrent(QDir::tempPath());
    }
    MainWindow* fmain() const { return windows->mainWindow(); }
    template <typename T> T* child(const char* name) const {
        return fmain()->findChild<T*>(QString::fromLatin1(name));
    }
    void showTab(const char* name) {
        child<QTabWidget>("PageControl2")->setCurrentWidget(child<QWidget>(name));
        QApplication::processEvents();
    }
    QChartView* chart(const char* name) const { return child<QChartView>(name); }
    QLineSeries* series(const char* chartName, const char* name) const {
        for (QAbstractSeries* s : chart(chartName)->chart()->series())
            if (s->objectName() == QLatin1String(name)) return qobject_cast<QLineSeries*>(s);
        return nullptr;
    }
    QValueAxis* axis(const char* chartName, Qt::Orientation o) const {
        return qobject_cast<QValueAxis*>(chart(chartName)->chart()->axes(o).value(0));
    }
    // Types into an entry as the operator would, then moves the focus to `next`.
    void enter(const char* entry, const char* text, const char* next) {
        auto* e = child<QLineEdit>(entry);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, QString::fromLatin1(text));
        child<QWidget>(next)->setFocus();
    }
    // The operator answers the box; the main window is the active one again.
    void closeBoxes() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) box->accept();
        fmain()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fmain()));
    }
    QColor rowColour(int row) const {
        QAbstractItemModel* m = child<QTableView>("StringGrid1")->model();
        return m->index(row, 1).data(Qt::BackgroundRole).value<QColor>();
    }
};

QStringList visibleBoxTexts() {
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) texts << box->text();
    return texts;
}

const QColor kSilver(192, 192, 192);

} // namespace

class TestOscilloscopeTabs : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void typeBOscillogramFromTheTab() {
        TabRun run;
        QVERIFY(run.start());
        run.showTab("TabSheet2");
        const QColor ownColour9 = run.rowColour(9);
        QVERIFY(ownColour9 != kSilver);
        QCOMPARE(run.child<QLineEdit>("Edit7")->text(), QStringLiteral("0"));
        QCOMPARE(run.child<QLineEdit>("Delta1")->text(), QStringLiteral("0"));

        run.enter("Edit7", "5", "ButtonOnOscillVB");
        QTest::mouseClick(run.child<QPushButton>("ButtonOnOscillVB"), Qt::LeftButton);
        QTRY_COMPARE(run.port.written, QByteArray(":0147000404D2E2\r\n"));
        QVERIFY(!run.child<QLineEdit>("Edit7")->isEnabled());
        QVERIFY(!run.child<QLabel>("LabelNumPosOscill")->isEnabled());

        run.port.incoming = reply({0x0147, 4});
        QTRY_COMPARE(run.c.osc.slot(), 4);
        QCOMPARE(run.child<QLineEdit>("Delta1")->text(), QStringLiteral("0.000"));
        QCOMPARE(run.rowColour(9), kSilver); // every other row dimmed
        QVERIFY(run.rowColour(4) != kSilver);

        // T1 T2 S1 S2 R1 R2 Z1 Z2
        run.port.incoming = typeBSampleReport(1234, {10, 20, 3, 4, 500, 600, 100, 200}) +
                            typeBSampleReport(1234, {11, 21, 5, 6, 501, 601, 101, 201});
        QTRY_COMPARE(run.series("Chart1", "Series1")->count(), 2);
        const QList<QPair<const char*, QList<QPointF>>> expected{
            {"Series1", {{0, 500}, {1, 501}}},     {"Series2", {{0, 103}, {1, 106}}},
            {"Series3", {{0, 110}, {1, 112}}},     {"Series4", {{0, 100}, {1, 101}}},
            {"LineSeries1", {{0, 600}, {1, 601}}}, {"LineSeries2", {{0, 204}, {1, 207}}},
            {"LineSeries3", {{0, 220}, {1, 222}}}, {"LineSeries4", {{0, 200}, {1, 201}}},
        };
        for (const auto& [name, points] : expected) {
            QLineSeries* s = run.series(name[0] == 'S' ? "Chart1" : "Chart2", name);
            QVERIFY2(s, name);
            QCOMPARE(s->points(), points);
        }
        QCOMPARE(run.series("Chart2", "LineSeries2")->pen().color(), QColor(0, 128, 0));

        // Stop: asked for, then confirmed; the rows get their own colours back.
        QTest::mouseClick(run.child<QPushButton>("ButtonOffOscillVB"), Qt::LeftButton);
        QTRY_VERIFY(run.port.written.endsWith(":0148B7\r\n"));
        QCOMPARE(run.c.osc.slot(), 4);
        run.port.incoming = reply({0x0148});
        QTRY_COMPARE(run.c.osc.slot(), -1);
        QTRY_VERIFY(run.child<QPushButton>("ButtonOnOscillVB")->isEnabled());
        QCOMPARE(run.rowColour(9), ownColour9);
        QVERIFY(visibleBoxTexts().isEmpty());
    }

    // Entries of both tabs: a refusal shows its message and takes the focus back; an accepted
    // value moves its chart's axis and clears that chart only.
    void scaleAndDcEntries() {
        TabRun run;
        QVERIFY(run.start());
        run.showTab("TabSheet2");
        oscillogramStarted(run.c.sensors, run.c.osc, run.c.scope, run.c.notices, 4);
        for (int i = 0; i <= 500; ++i)
            oscillogramSampleB(run.c.scope, run.c.notices, {0, 0, 0, 0, float(i), float(2 * i), 0, 0});
        QLineSeries* raw1 = run.series("Chart1", "Series1");
        QTRY_COMPARE(raw1->count(), 500);
        QCOMPARE(run.axis("Chart1", Qt::Horizontal)->max(), 501.0); // the axis slides with the window

        run.enter("Edit2", "2000", "Edit3");
        QTRY_COMPARE(visibleBoxTexts(),
                     QStringList{QStringLiteral("Число вне допуска (0-1023); повторите ввод")});
        run.closeBoxes();
        QTRY_COMPARE(run.fmain()->focusWidget(), run.child<QWidget>("Edit2"));
        QCOMPARE(raw1->count(), 500);
        run.enter("Edit2", "100", "Edit3");
        QTRY_COMPARE(raw1->count(), 0);
        QCOMPARE(run.axis("Chart1", Qt::Vertical)->min(), 100.0);
        QCOMPARE(run.series("Chart2", "LineSeries1")->count(), 500);

        // A refused text is reported once, not at each later focus change (here: its tab is left);
        // and a click that takes the focus from a refused entry does its work before the box comes.
        run.showTab("TabSheet6");
        run.enter("EDirect_component", "x1", "EditX");
        QTRY_COMPARE(visibleBoxTexts(),
                     QStringList{QStringLiteral(" Неверный формат данных; повторите ввод")});
        run.closeBoxes();
        QTRY_COMPARE(run.fmain()->focusWidget(), run.child<QWidget>("EDirect_component"));
        run.showTab("TabSheet2");
        QTest::qWait(20);
        QVERIFY(visibleBoxTexts().isEmpty());
        run.child<QLineEdit>("Edit1")->setFocus();
        QTest::keyClicks(run.child<QLineEdit>("Edit1"), QStringLiteral("x"));
        run.port.written.clear();
        auto* off = run.child<QPushButton>("ButtonOffOscillVB"); // clicked through the window system
        QTest::mouseClick(run.fmain()->windowHandle(), Qt::LeftButton, {},
                          off->mapTo(run.fmain(), off->rect().center()));
        QTRY_VERIFY(run.port.written.endsWith(":0148B7\r\n"));
        QTRY_COMPARE(visibleBoxTexts().size(), 1);
        run.closeBoxes();
        QVERIFY(run.fmain()->focusWidget() != run.child<QWidget>("EDirect_component"));
        run.port.incoming = reply({0x0148});

        // Type A: the DC component is shown and goes to the line as a whole number, into both values.
        run.showTab("TabSheet6");
        run.c.sensors.record(9).dc_component1 = run.c.sensors.record(9).dc_component2 = 7.9f;
        oscillogramStarted(run.c.sensors, run.c.osc, run.c.scope, run.c.notices, 9);
        QTRY_COMPARE(run.child<QLineEdit>("EDirect_component")->text(), QStringLiteral("7"));
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        run.enter("EDirect_component", "4,9", "EditX");
        QTRY_VERIFY(run.port.written.endsWith(":014600090004AC\r\n"));
        QCOMPARE(run.child<QLineEdit>("EDirect_component")->text(), QStringLiteral("4"));
        QCOMPARE(qMakePair(run.c.sensors.record(9).dc_component1, run.c.sensors.record(9).dc_component2),
                 qMakePair(4.0f, 4.0f));
    }
};

QTEST_MAIN(TestOscilloscopeTabs)
#include "tst_oscilloscopetabs.moc"
