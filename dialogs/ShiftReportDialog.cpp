// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/JobRow.h"
#include "dialogs/QtColours.h"
#include "dialogs/ShiftReportDialog.h"
#include "registry/DateTime.h"
#include "registry/JobControl.h"

#include <QDir>
#include <QShowEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

namespace vatrel {

namespace {

template <class W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QString countsText(const ShiftReport& r) {
    const auto open = std::count_if(r.alarms.begin(), r.alarms.end(), [](const ShiftReport::Alarm& a) {
        return a.outcome == ShiftReport::Outcome::Open;
    });
    return QStringLiteral("Смены дежурных: %1. Тревоги: %2 (не подтверждены: %3). Сняты с охраны: %4. "
                          "Наиболее активные датчики: %5.")
        .arg(r.dutyChanges.size())
        .arg(r.alarms.size())
        .arg(open)
        .arg(r.offGuard.size())
        .arg(r.busiest.size());
}

} // namespace

ShiftReportDialog::ShiftReportDialog(CoreDoor& door, QWidget* parent) : QDialog(parent), m_door(door) {
    setObjectName(QStringLiteral("ShiftReportDialog"));
    setWindowTitle(QStringLiteral("Отчёт за смену"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(900, 600);

    m_periodLabel = named(new QLabel, "LabelPeriod");
    QFont bold = m_periodLabel->font();
    bold.setBold(true);
    m_periodLabel->setFont(bold);
    m_periodLabel->setWordWrap(true);
    m_countsLabel = named(new QLabel, "LabelCounts");
    m_countsLabel->setWordWrap(true);
    m_problemsLabel = named(new QLabel, "LabelProblems");
    m_problemsLabel->setWordWrap(true);
    m_problemsLabel->setStyleSheet(QStringLiteral("color: #ab0000"));
    m_problemsLabel->setVisible(false);

    m_preview = named(new QTableWidget(0, 2), "GridShift");
    m_preview->verticalHeader()->hide();
    m_preview->horizontalHeader()->setStretchLastSection(true);
    m_preview->setColumnWidth(0, 166);
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_preview->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* jobRow = new JobRow;
    m_jobRow = jobRow;
    m_jobLabel = jobRow->label();
    m_jobBar = jobRow->bar();
    connect(jobRow, &JobRow::cancelled, this, &ShiftReportDialog::cancelJob);

    m_printButton = named(new QPushButton(QStringLiteral("Печать…")), "ButtonPrint");
    m_pdfButton = named(new QPushButton(QStringLiteral("PDF…")), "ButtonPdf");
    m_pdfButton->setToolTip(QStringLiteral("Сохранение отчёта в файл PDF"));
    auto* close = named(new QPushButton(QStringLiteral("Закрыть")), "ButtonClose");
    for (QPushButton* b : {m_printButton, m_pdfButton, close}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(110);
    }
    connect(m_printButton, &QPushButton::clicked, this, &ShiftReportDialog::print);
    connect(m_pdfButton, &QPushButton::clicked, this, &ShiftReportDialog::saveAsPdf);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_printButton);
    buttons->addWidget(m_pdfButton);
    buttons->addWidget(close);

    auto* top = new QVBoxLayout(this);
    top->addWidget(m_periodLabel);
    top->addWidget(m_countsLabel);
    top->addWidget(m_problemsLabel);
    top->addWidget(m_preview, 1);
    top->addWidget(m_jobRow);
    top->addLayout(buttons);

    // The dialogs are modal to this window only, so the alarm window stays live while one is open.
    saveFileDialog = [this](const QString& suggested) {
        return askSaveFile(this, QStringLiteral("Сохранить отчёт"), suggested,
                           QStringLiteral("PDF (*.pdf);;Все файлы (*)"), QStringLiteral("pdf"));
    };
    m_printer = new QPrinter(QPrinter::HighResolution);
    printDialog = [this](QPrinter& printer) { return askPrinter(this, printer); };
    showState();
}

ShiftReportDialog::~ShiftReportDialog() {
    cancelJob();
    if (m_thread) m_thread->wait();
    m_pdf.reset();
    delete m_printer;
}

void ShiftReportDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) readShift();
}

void ShiftReportDialog::hideEvent(QHideEvent* event) {
    // Closing the window ends what it was doing; minimising it does not.
    if (!event->spontaneous()) cancelJob();
    QDialog::hideEvent(event);
}

bool ShiftReportDialog::busy() const { return bool(m_thread); }

void ShiftReportDialog::cancelJob() {
    if (m_control) m_control->cancel();
}

void ShiftReportDialog::startJob(const QString& what, std::function<void(JobControl*)> work) {
    m_what = what;
    m_control = std::make_shared<JobControl>([this](qint64 done, qint64 total) {
        QMetaObject::invokeMethod(
            this, [this, done, total] { jobProgress(done, total); }, Qt::QueuedConnection);
    });
    auto control = m_control;
    m_thread = QThread::create([control, work = std::move(work)] { work(control.get()); });
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->start();
    m_jobLabel->setText(what);
    m_jobBar->setRange(0, 0);
    showState();
}

void ShiftReportDialog::finishJob() {
    m_thread.clear();
    m_control.reset();
    showState();
}

void ShiftReportDialog::jobProgress(qint64 done, qint64 total) {
    if (!m_control) return; // finished meanwhile
    m_jobRow->setVisible(true);
    // Reading the day logs knows no total; the sensor logs and the sheets do.
    if (total <= 0) {
        m_jobBar->setRange(0, 0);
        return;
    }
    m_jobLabel->setText(QStringLiteral("%1: %2 из %3").arg(m_what).arg(done).arg(total));
    const int scale = int(qMin<qint64>(1000, total));
    m_jobBar->setRange(0, scale);
    m_jobBar->setValue(int(done * scale / total));
}

void ShiftReportDialog::showState() {
    const bool running = bool(m_thread);
    if (!running) m_jobRow->setVisible(false); // a job shows its row with its first progress
    m_printButton->setEnabled(!running && m_report.has_value());
    m_pdfButton->setEnabled(!running && m_report.has_value());
}

void ShiftReportDialog::readShift() {
    if (m_thread) return;
    // What the report needs of the console, copied now: the worker reads files only.
    Console& c = m_door.mirror();
    ShiftReportInput input;
    input.dataDir = c.data_dir;
    input.now = toDays(c.clock());
    input.offGuard = loopsOffGuard(c.sensors);
    input.dutyNow = c.duty.surname();
    m_report.reset();
    m_periodLabel->setText(QStringLiteral("Чтение журналов…"));
    m_countsLabel->clear();
    m_problemsLabel->clear();
    m_problemsLabel->setVisible(false);
    m_preview->setRowCount(0);
    startJob(QStringLiteral("Чтение журналов"), [this, input](JobControl* control) {
        std::optional<ShiftReport> report = buildShiftReport(input, control);
        const bool cancelled = control->cancelled();
        QMetaObject::invokeMethod(
            this, [this, report = std::move(report), cancelled] { shiftRead(report, cancelled); },
            Qt::QueuedConnection);
    });
}

void ShiftReportDialog::shiftRead(std::optional<ShiftReport> report, bool cancelled) {
    finishJob();
    m_report = std::move(report);
    if (!m_report) {
        m_periodLabel->setText(cancelled ? QStringLiteral("Чтение отменено")
                                         : QStringLiteral("Журналы не удаётся прочитать"));
        showState();
        return;
    }
    m_table = shiftReportTable(*m_report);
    m_periodLabel->setText(m_report->titles().mid(1).join(QLatin1Char('\n')));
    m_countsLabel->setText(countsText(*m_report));
    m_problemsLabel->setText(m_report->problems.join(QLatin1Char('\n')));
    m_problemsLabel->setVisible(!m_report->problems.isEmpty());

    const TextGrid& grid = m_table.grid;
    m_preview->setHorizontalHeaderLabels({grid.at(0, 0), grid.at(1, 0)});
    m_preview->setRowCount(grid.rowCount() - 1);
    for (int row = 1; row < grid.rowCount(); ++row) {
        const RowStyle& style = m_table.styles[size_t(row - 1)];
        for (int col = 0; col < 2; ++col) {
            auto* item = new QTableWidgetItem(grid.at(col, row));
            item->setBackground(toQColor(style.background));
            item->setForeground(toQColor(style.font_colour));
            if (style.font_style & kBoldStyle) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            }
            m_preview->setItem(row - 1, col, item);
        }
    }
    // Rows as tall as their lines, counted rather than measured: a busy shift has thousands of rows.
    const int line = m_preview->fontMetrics().lineSpacing();
    const int single = m_preview->verticalHeader()->defaultSectionSize();
    for (int row = 1; row < grid.rowCount(); ++row)
        if (const int lines = int(grid.at(1, row).count(QLatin1Char('\n'))) + 1; lines > 1)
            m_preview->setRowHeight(row - 1, single + (lines - 1) * line);
    showState();
}

ReportPrintSettings ShiftReportDialog::printSettings() const {
    ReportPrintSettings s;
    s.titles = m_report ? m_report->titles() : QStringList();
    s.fitToPage = true;
    s.infoBackground = palette().color(QPalette::ToolTipBase);
    return s;
}

void ShiftReportDialog::print() {
    if (m_thread || !m_report) return;
    m_printer->setCopyCount(1);
    if (!printDialog || !printDialog(*m_printer)) return;
    output(m_printer, true);
}

void ShiftReportDialog::saveAsPdf() {
    if (m_thread || !m_report || !saveFileDialog) return;
    const QString suggested = QDir(m_door.mirror().data_dir)
                                  .filePath(QStringLiteral("Отчёт за смену %1.pdf")
                                                .arg(formatFullDateTime(m_report->to)
                                                         .left(16)
                                                         .replace(QLatin1Char(':'), QLatin1Char('-'))));
    const QString target = saveFileDialog(suggested);
    if (target.isEmpty()) return;
    m_pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_pdf->setOutputFormat(QPrinter::PdfFormat);
    m_pdf->setOutputFileName(target);
    output(m_pdf.get(), false);
}

// Prints the report on `printer` on a worker thread; after a printout on paper the operator is asked to check it, as after the log viewer's.
void ShiftReportDialog::output(QPrinter* printer, bool confirm) {
    auto grid = std::make_shared<TextGrid>(m_table.grid);
    const std::vector<RowStyle> styles = m_table.styles;
    const ReportPrintSettings settings = printSettings();
    const QDateTime now = m_door.mirror().clock();
    const QString target = confirm ? QString() : printer->outputFileName();
    startJob(confirm ? QStringLiteral("Печать") : QStringLiteral("Сохранение"),
             [this, grid, styles, settings, now, printer, confirm, target](JobControl* control) {
                 const bool done = printReport(*printer, settings, *grid, styles, now, control);
                 const bool cancelled = control->cancelled();
                 QMetaObject::invokeMethod(
                     this,
                     [this, done, cancelled, confirm, target] {
                         finishJob();
                         m_pdf.reset();
                         ConsoleUi* ui = m_door.windowUi();
                         if (!ui || cancelled) return;
                         if (confirm && done)
                             ui->message(QStringLiteral("Внимание"),
                                         QStringLiteral("Если печать прошла успешно,нажмите на кнопку <OK>"),
                                         ConsoleUi::Icon::Warning);
                         else if (!confirm && !done)
                             ui->message(QStringLiteral("Ошибка"),
                                         QStringLiteral("Файл не удается записать: ") + target,
                                         ConsoleUi::Icon::Error);
                     },
                     Qt::QueuedConnection);
             });
}

} // namespace vatrel
