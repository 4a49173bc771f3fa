// SPDX-License-Identifier: GPL-3.0-or-later
// End to end from the oscilloscope tab: the real windows (offscreen) and the real serial port class
// against the converter simulator on a pseudo-terminal. The operator starts an oscillogram from the
// tab, its samples reach the charts, and the operator stops it; the simulator saw both commands.
#include "app/ConsoleWindows.h"
#include "app/MainWindow.h"
#include "link/QtSerialPortLine.h"
#include "core/Console.h"
#include "sim/DemoFolder.h"
#include "sim/Simulator.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace vatrel;

constexpr int kWaitMs = 30000; // generous ceiling for a shared, busy machine; never a measure

class TestE2eOscilloscope : public QObject {
    Q_OBJECT
private slots:
    void startReceiveAndStopFromTheTab() {
        QLocale::setDefault(QLocale::c());
        QTemporaryDir tmp;
        const QString dir = tmp.path() + QStringLiteral("/demo");
        QString error;
        QVERIFY2(sim::initDemo(dir, &error), qPrintable(error));
        sim::Simulator::Options o;
        o.dir = dir;
        o.controlPipe = false;
        sim::Simulator simulator(o);
        simulator.setOutput(nullptr);
        QVERIFY2(simulator.start(), qPrintable(simulator.errorString()));
        const sim::Converter& conv = simulator.converter();

        QDir::setCurrent(dir);
        Console c;
        QtSerialPortLine port;
        c.link.attachPort(&port);
        {
            ConsoleWindows windows(c);
            MainWindow* w = windows.mainWindow();
            w->show();
            QTRY_VERIFY_WITH_TIMEOUT(c.link.mapPosition() == 200 && c.sensors.record(0).link_up == 1,
                                     kWaitMs);

            auto* tabs = w->findChild<QTabWidget*>(QStringLiteral("PageControl2"));
            tabs->setCurrentWidget(w->findChild<QWidget*>(QStringLiteral("TabSheet2")));
            auto* edit7 = w->findChild<QLineEdit*>(QStringLiteral("Edit7"));
            edit7->selectAll();
            QTest::keyClicks(edit7, QStringLiteral("1"));
            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("ButtonOnOscillVB")), Qt::LeftButton);

            // Confirmed by the converter, then its samples fill both flanks' curves.
            QTRY_COMPARE_WITH_TIMEOUT(c.osc.slot(), 0, kWaitMs);
            QCOMPARE(conv.commandsAnswered(0x47), 1);
            QCOMPARE(conv.oscSlot(), 0);
            auto* chart1 = w->findChild<QChartView*>(QStringLiteral("Chart1"))->chart();
            auto* raw1 = qobject_cast<QLineSeries*>(chart1->series().value(0));
            QCOMPARE(raw1->objectName(), QStringLiteral("Series1"));
            QTRY_VERIFY_WITH_TIMEOUT(raw1->count() >= 20 && c.scope.flank(1).size() >= 20, kWaitMs);
            // The simulator's zero level lies a little above 2.
            QVERIFY(c.scope.flank(1).at(0).y[3] > 2.0f && c.scope.flank(1).at(0).y[3] < 2.1f);
            QCOMPARE(raw1->at(1).x(), 1.0);

            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("ButtonOffOscillVB")),
                              Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(c.osc.slot(), -1, kWaitMs);
            QCOMPARE(conv.commandsAnswered(0x48), 1);
            QCOMPARE(conv.oscSlot(), -1);
            QTRY_VERIFY(edit7->isEnabled());
            w->hide();
        }
        c.link.attachPort(nullptr);
        simulator.stop();
        QDir::setCurrent(QDir::tempPath());
    }
};

QTEST_MAIN(TestE2eOscilloscope)
#include "tst_e2e_oscilloscope.moc"
