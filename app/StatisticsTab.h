// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/AlarmStats.h"

#include <QPointer>
#include <QThread>
#include <QWidget>
#include <functional>
#include <memory>

class QChartView;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace vatrel {

class Clock;
class CoreDoor;
class JobControl;

// Tab "Статистика": loop alarms per sensor and loop over the last day, 7 or 30 days, read from the
// sensor logs on a worker thread (with progress and Cancel) each time the tab is shown or the period
// changes; a table sorted by total, the ten sensors with the most alarms, alarms per hour of the day,
// and the table saved as CSV.
class StatisticsTab : public QWidget {
    Q_OBJECT
public:
    explicit StatisticsTab(CoreDoor& door, QWidget* parent = nullptr);
    ~StatisticsTab() override;

    // Asks where to save the CSV; empty for none. A file dialog unless a test puts its own.
    std::function<QString(const QString& suggested)> saveFileDialog;

    bool counting() const { return bool(m_thread); }
    const AlarmStats& shown() const { return m_stats; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void startCount();
    void cancelCount();
    void countDone(std::optional<AlarmStats> stats);
    void showProgress(qint64 done, qint64 total);
    void showStats();
    void saveCsv();
    int days() const;

    QString m_dataDir;
    const Clock& m_clock;
    AlarmStats m_stats;
    QPointer<QThread> m_thread;
    std::shared_ptr<JobControl> m_control;
    bool m_again = false; // the period changed while counting: count again when done

    QComboBox* m_period = nullptr;
    QTableView* m_table = nullptr;
    QStandardItemModel* m_model = nullptr;
    QChartView* m_topChart = nullptr;
    QChartView* m_hourChart = nullptr;
    QLabel* m_summary = nullptr;
    QWidget* m_jobRow = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_csvButton = nullptr;
};

} // namespace vatrel
