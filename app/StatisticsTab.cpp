// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatisticsTab.h"
#include "core/Console.h"
#include "core/CoreDoor.h"
#include "registry/EventLog.h"
#include "registry/JobControl.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QValueAxis>
#include <QVBoxLayout>
#include <cmath>

namespace vatrel {

namespace {

constexpr int kPeriods[] = {1, 7, 30};
constexpr int kTopSensors = 10;

QChartView* chartView(const QString& name, const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    auto* view = new QChartView(chart);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(220);
    return view;
}

// Replaces the chart's bars: one bar per category.
void setBars(QChartView* view, const QStringList& categories, const QList<qreal>& values) {
    QChart* chart = view->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes())
        chart->removeAxis(axis), delete axis;
    auto* set = new QBarSet(QStringLiteral("Тревоги"));
    set->append(values);
    set->setColor(QColor(0xC0, 0x20, 0x20));
    auto* series = new QBarSeries;
    series->append(set);
    chart->addSeries(series);
    series->setBarWidth(0.8);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    // Small enough for the 24 hours of a day side by side.
    QFont small = x->labelsFont();
    small.setPixelSize(10);
    x->setLabelsFont(small);
    auto* y = new QValueAxis;
    qreal top = 1;
    for (qreal v : values)
        top = qMax(top, v);
    // Whole counts on the scale: at most five steps of a whole number of alarms.
    const qreal step = std::ceil(top / 5);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(step);
    y->setRange(0, step * std::ceil(top / step));
    y->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
}

} // namespace

StatisticsTab::StatisticsTab(CoreDoor& door, QWidget* parent)
    : QWidget(parent), // A console without a folder of its own works in the current directory.
      m_dataDir(door.mirror().data_dir.isEmpty() ? QDir::currentPath() : door.mirror().data_dir),
      m_clock(door.mirror().clock) {
    setObjectName(QStringLiteral("TabStatistics"));
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Период:")));
    m_period = new QComboBox;
    m_period->setObjectName(QStringLiteral("ComboStatsPeriod"));
    m_period->addItems({QStringLiteral("1 день"), QStringLiteral("7 дней"), QStringLiteral("30 дней")});
    m_period->setCurrentIndex(1);
    top->addWidget(m_period);
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("LabelStatsSummary"));
    top->addWidget(m_summary, 1);
    m_csvButton = new QPushButton(QStringLiteral("CSV…"));
    m_csvButton->setObjectName(QStringLiteral("ButtonStatsCsv"));
    top->addWidget(m_csvButton);

    m_jobRow = new QWidget;
    auto* jobLayout = new QHBoxLayout(m_jobRow);
    jobLayout->setContentsMargins(0, 0, 0, 0);
    jobLayout->addWidget(new QLabel(QStringLiteral("Подсчёт тревог")));
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("ProgressStats"));
    jobLayout->addWidget(m_progress, 1);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    cancel->setObjectName(QStringLiteral("ButtonStatsCancel"));
    jobLayout->addWidget(cancel);
    m_jobRow->setVisible(false);

    m_model = new QStandardItemModel(0, 5, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Номер датчика"), QStringLiteral("Тип"),
                                        QStringLiteral("Шлейф 1"), QStringLiteral("Шлейф 2"),
                                        QStringLiteral("Всего")});
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("GridStats"));
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    m_topChart = chartView(QStringLiteral("ChartStatsTop"),
                           QStringLiteral("Десять датчиков с наибольшим числом тревог"));
    m_hourChart = chartView(QStringLiteral("ChartStatsHours"), QStringLiteral("Тревоги по часам суток"));
    auto* charts = new QVBoxLayout;
    charts->addWidget(m_topChart);
    charts->addWidget(m_hourChart);
    auto* body = new QHBoxLayout;
    body->addWidget(m_table, 2);
    body->addLayout(charts, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_jobRow);
    layout->addLayout(body, 1);

    saveFileDialog = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить"), suggested,
                                            QStringLiteral("CSV (*.csv)"));
    };
    connect(m_period, &QComboBox::currentIndexChanged, this, [this] { startCount(); });
    connect(cancel, &QPushButton::clicked, this, &StatisticsTab::cancelCount);
    connect(m_csvButton, &QPushButton::clicked, this, &StatisticsTab::saveCsv);
    showStats();
}

StatisticsTab::~StatisticsTab() {
    cancelCount();
    if (m_thread) m_thread->wait();
}

int StatisticsTab::days() const { return kPeriods[qBound(0, m_period->currentIndex(), 2)]; }

void StatisticsTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) startCount();
}

void StatisticsTab::startCount() {
    if (m_thread) {
        // The count running stops at its next log and the newest period follows it.
        m_again = true;
        m_control->cancel();
        return;
    }
    m_again = false;
    const int period = days();
    const double now = m_clock.now();
    // Progress is handed to the window thread as a queued call; one that comes after the tab is gone
    // is dropped with it.
    m_control = std::make_shared<JobControl>([this](qint64 done, qint64 total) {
        QMetaObject::invokeMethod(
            this, [this, done, total] { showProgress(done, total); }, Qt::QueuedConnection);
    });
    auto control = m_control;
    const QString dir = m_dataDir;
    m_thread = QThread::create([this, control, dir, now, period] {
        std::optional<AlarmStats> stats = countLoopAlarms(dir, now, period, control.get());
        QMetaObject::invokeMethod(
            this, [this, stats = std::move(stats)] { countDone(stats); }, Qt::QueuedConnection);
    });
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_progress->setRange(0, 0);
    m_csvButton->setEnabled(false);
    m_thread->start();
}

void StatisticsTab::cancelCount() {
    m_again = false;
    if (m_control) m_control->cancel();
}

void StatisticsTab::showProgress(qint64 done, qint64 total) {
    if (!m_control) return; // finished meanwhile
    m_progress->setRange(0, int(qMax<qint64>(1, total)));
    m_progress->setValue(int(done));
    m_jobRow->setVisible(true);
}

void StatisticsTab::countDone(std::optional<AlarmStats> stats) {
    if (m_thread) m_thread->wait();
    m_thread.clear();
    m_control.reset();
    m_jobRow->setVisible(false);
    m_csvButton->setEnabled(true);
    if (m_again) {
        startCount();
        return;
    }
    if (!stats) {
        m_summary->setText(QStringLiteral("Подсчёт отменён"));
        return;
    }
    m_stats = std::move(*stats);
    showStats();
}

void StatisticsTab::showStats() {
    m_model->setRowCount(0);
    for (const SensorAlarms& s : m_stats.sensors) {
        QList<QStandardItem*> row;
        const auto number = [](qint64 n) {
            auto* item = new QStandardItem(QString::number(n));
            item->setData(int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
            return item;
        };
        row << number(qint32(s.factory_number)) << new QStandardItem(typeName(s.sensor_type))
            << number(s.loop1) << number(s.loop2) << number(s.total());
        m_model->appendRow(row);
    }
    QStringList names;
    QList<qreal> counts;
    for (const SensorAlarms& s : m_stats.sensors) {
        if (names.size() == kTopSensors || s.total() == 0) break;
        names << QString::number(qint32(s.factory_number));
        counts << qreal(s.total());
    }
    setBars(m_topChart, names, counts);
    QStringList hours;
    QList<qreal> perHour;
    for (int h = 0; h < 24; ++h) {
        hours << QString::number(h);
        perHour << qreal(m_stats.byHour[size_t(h)]);
    }
    setBars(m_hourChart, hours, perHour);
    QString summary =
        QStringLiteral("Тревог: %1, датчиков: %2").arg(m_stats.totalAlarms()).arg(m_stats.sensors.size());
    if (m_stats.unreadableFiles > 0)
        summary += QStringLiteral(", не прочитано журналов: %1").arg(m_stats.unreadableFiles);
    m_summary->setText(summary);
}

void StatisticsTab::saveCsv() {
    if (m_thread || !saveFileDialog) return;
    const QString target = saveFileDialog(QDir(m_dataDir).filePath(QStringLiteral("statistics.csv")));
    if (target.isEmpty()) return;
    QSaveFile f(target);
    const QByteArray csv = alarmStatsCsv(m_stats);
    if (!f.open(QIODevice::WriteOnly) || f.write(csv) != csv.size() || !f.commit())
        QMessageBox::warning(this, QStringLiteral("Статистика"),
                             QStringLiteral("Файл не удается записать: ") + target);
}

} // namespace vatrel
