// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CoreDoor.h"
#include "dialogs/ReportPrinter.h"
#include "registry/ShiftReport.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;

namespace vatrel {

class JobControl;

// "Отчёт за смену": the shift's duty changes, alarms and what answered them, loops off guard and
// the busiest sensors, read from the logs on every showing, shown and printed or saved as PDF the
// way the log viewer prints its listing.
class ShiftReportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ShiftReportDialog(CoreDoor& door, QWidget* parent = nullptr);
    ~ShiftReportDialog() override;

    // Reads the shift up to now again, on a worker thread.
    void readShift();
    // "Печать…" and "PDF…".
    void print();
    void saveAsPdf();
    // Reading, printing or saving still running; Cancel stops it.
    bool busy() const;
    void cancelJob();
    const std::optional<ShiftReport>& report() const { return m_report; }

    // The platform dialogs, replaceable so that tests can answer them. An empty path means cancelled.
    std::function<QString(const QString& suggested)> saveFileDialog;
    std::function<bool(QPrinter& printer)> printDialog;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void startJob(const QString& what, std::function<void(JobControl*)> work);
    void finishJob();
    void jobProgress(qint64 done, qint64 total);
    void shiftRead(std::optional<ShiftReport> report, bool cancelled);
    void output(QPrinter* printer, bool confirm);
    ReportPrintSettings printSettings() const;
    void showState();

    CoreDoor& m_door;
    std::optional<ShiftReport> m_report;
    ShiftReportTable m_table;
    QLabel* m_periodLabel = nullptr;
    QLabel* m_countsLabel = nullptr;
    QLabel* m_problemsLabel = nullptr;
    QTableWidget* m_preview = nullptr;
    QWidget* m_jobRow = nullptr;
    QLabel* m_jobLabel = nullptr;
    QProgressBar* m_jobBar = nullptr;
    QPushButton* m_printButton = nullptr;
    QPushButton* m_pdfButton = nullptr;
    QPrinter* m_printer = nullptr;   // kept for the run: the print dialog opens on the last choice
    std::unique_ptr<QPrinter> m_pdf; // the PDF being written
    QPointer<QThread> m_thread;
    std::shared_ptr<JobControl> m_control;
    QString m_what;
};

} // namespace vatrel
