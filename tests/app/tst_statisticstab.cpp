// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics tab of the real main window (offscreen) on sensor logs the test writes: counted when
// the tab is shown and when the period changes, the table sorted by total, the charts, the CSV.
#include "DataFolder.h"
#include "app/ConsoleWindows.h"
#include "app/MainWindow.h"
#include "app/StatisticsTab.h"
#include "common/LogRecordBytes.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

QStringList rows(const QAbstractItemModel* m) {
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        out << cells.join(' ');
    }
    return out;
}

QList<qreal> bars(QChartView* view) {
    const auto series = view->chart()->series();
    if (series.size() != 1) return {};
    auto* bars = qobject_cast<QBarSeries*>(series[0]);
    QList<qreal> out;
    for (int i = 0; bars && i < bars->barSets()[0]->count(); ++i)
        out << bars->barSets()[0]->at(i);
    return out;
}

} // namespace

class TestStatisticsTab : public QObject {
    Q_OBJECT

private slots:
    void countsWhenShownAndWhenThePeriodChanges() {
        QTemporaryDir dir;
        QVERIFY(prepareFolder(dir.path(), {}));
        QDir::setCurrent(dir.path());
        const QDateTime now = QDateTime::currentDateTime();
        const auto alarm = [&](int loop, const char* type, int number, qint64 secsAgo) {
            return logRecord(
                33,
                QStringLiteral("Срабатывание %1 шлейфа датчика <%2> № %3").arg(loop).arg(type).arg(number),
                now.addSecs(-secsAgo), quint32(number));
        };
        const auto write = [&](const QString& name, const QByteArray& bytes) {
            QFile f(dir.filePath(name));
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        const qint64 day = 86400;
        QVERIFY(write("VatrelA_mess/12", alarm(1, "Ватрел-А", 12, 20 * day) +
                                             alarm(1, "Ватрел-А", 12, 3 * day) +
                                             alarm(2, "Ватрел-А", 12, 3600)));
        QVERIFY(write("VatrelB_mess/40", alarm(2, "Ватрел-Б", 40, 5 * day) +
                                             alarm(2, "Ватрел-Б", 40, 4 * day) +
                                             alarm(1, "Ватрел-Б", 40, 2 * day) +
                                             logRecord(18, QStringLiteral("Снятие с охраны"), now, 40)));
        QVERIFY(write("VatrelB_mess/41", QByteArray(500, '\x07')));

        FakePort port{FakePort::Device::Missing};
        Console c;
        c.link.attachPort(&port);
        auto windows = std::make_unique<ConsoleWindows>(c);
        MainWindow* w = windows->mainWindow();
        w->show();
        auto* tab = w->findChild<StatisticsTab*>();
        QVERIFY(tab);
        auto* model = w->findChild<QTableView*>("GridStats")->model();
        QCOMPARE(model->rowCount(), 0); // nothing counted before the tab is shown

        w->findChild<QTabWidget*>("PageControl2")->setCurrentWidget(tab);
        QTRY_VERIFY(!tab->counting());
        QCOMPARE(rows(model), (QStringList{"40 Ватрел-Б 1 2 3", "12 Ватрел-А 1 1 2", "41 Ватрел-Б 0 0 0"}));
        QCOMPARE(bars(w->findChild<QChartView*>("ChartStatsTop")), (QList<qreal>{3, 2}));
        QCOMPARE(bars(w->findChild<QChartView*>("ChartStatsHours")).size(), 24);

        w->findChild<QComboBox*>("ComboStatsPeriod")->setCurrentIndex(0); // one day
        QVERIFY(tab->counting());
        QTRY_VERIFY(!tab->counting());
        QCOMPARE(rows(model), (QStringList{"12 Ватрел-А 0 1 1", "40 Ватрел-Б 0 0 0", "41 Ватрел-Б 0 0 0"}));

        const QString target = dir.filePath("stats.csv");
        tab->saveFileDialog = [&](const QString&) { return target; };
        w->findChild<QPushButton*>("ButtonStatsCsv")->click();
        QFile f(target);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), alarmStatsCsv(tab->shown())); // the table shown, as vatrel-log prints it
        windows.reset();
        QDir::setCurrent(QDir::tempPath());
    }
};

QTEST_MAIN(TestStatisticsTab)
#include "tst_statisticstab.moc"
