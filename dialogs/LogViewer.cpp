// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/LogViewer.h"
#include "dialogs/JobRow.h"
#include "dialogs/QtColours.h"
#include "registry/EventLog.h"
#include "registry/JobControl.h"
#include "registry/LogFolders.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStyle>
#include <QTableView>
#include <QTextCharFormat>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>

namespace vatrel {

namespace {

// The page number entry: a number above the last page becomes the last page, one below the first
// (or no number at all) the first, as soon as it is typed; an empty entry is left to be filled.
class PageSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString& input, int& pos) const override {
        if (input.isEmpty()) return QValidator::Intermediate;
        bool ok = false;
        const qint64 typed = input.toLongLong(&ok);
        const bool digits = std::all_of(input.cbegin(), input.cend(), [](QChar ch) { return ch.isDigit(); });
        const int page = !ok && digits       ? maximum() // too long a number for any page
                         : !ok               ? minimum()
                         : typed > maximum() ? maximum()
                         : typed < minimum() ? minimum()
                                             : int(typed);
        if (!ok || page != typed) {
            input = QString::number(page);
            pos = int(input.size());
        }
        return QValidator::Acceptable;
    }
};

// A text label whose width the window's layout does not follow: its text grows with the log (" Стр.
// 10001"), and the window must not widen with it.
void keepWidth(QLabel* label, int minimum) {
    label->setSizePolicy(QSizePolicy::Ignored, label->sizePolicy().verticalPolicy());
    label->setMinimumWidth(minimum);
}

// The file dialog's list with day logs in date order: by name, "01.05.2026" would come before
// "30.04.2026".
class DayOrderProxy : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
        if (left.column() != 0) return QSortFilterProxyModel::lessThan(left, right);
        return dayLogNameLess(left.data().toString(), right.data().toString());
    }
};

template <class W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* sunken(const char* name) {
    auto* l = named(new QLabel, name);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
}

} // namespace

ReportGridModel::ReportGridModel(const ReportListing& listing, QObject* parent)
    : QAbstractTableModel(parent), m_listing(listing) {}

int ReportGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : qMax(0, m_listing.grid.rowCount() - 1);
}

int ReportGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant ReportGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row() + 1;
    const bool styled = row <= REPORT_PAGE_SIZE && m_listing.row_styles[size_t(row - 1)].background != 0;
    switch (role) {
    case Qt::DisplayRole:
        return m_listing.grid.at(index.column(), row);
    case Qt::BackgroundRole:
        return styled ? QVariant(toQColor(m_listing.row_styles[size_t(row - 1)].background)) : QVariant();
    case Qt::ForegroundRole:
        return styled ? QVariant(toQColor(m_listing.row_styles[size_t(row - 1)].font_colour)) : QVariant();
    default:
        return {};
    }
}

QVariant ReportGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return m_listing.grid.at(section, 0);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void ReportGridModel::reload() {
    beginResetModel();
    endResetModel();
}

LogViewer::LogViewer(CoreDoor& door, QWidget* parent)
    : QDialog(parent), m_door(door), m_dataDir(door.mirror().data_dir), m_sensorTable(door.mirror().sensors),
      m_clock(door.mirror().clock), m_notices(door.mirror().notices), m_listing(m_dataDir, m_notices),
      m_index(std::make_shared<LogIndex>()) {
    setObjectName(QStringLiteral("FQReport"));
    setWindowTitle(QStringLiteral("Протокол событий"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(1025, 688);

    m_model = new ReportGridModel(m_listing, this);
    m_grid = named(new QTableView, "AdvStringGrid2");
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->horizontalHeader()->setFixedHeight(22);
    QFont headerFont = m_grid->horizontalHeader()->font();
    headerFont.setBold(true);
    m_grid->horizontalHeader()->setFont(headerFont);
    m_grid->setColumnWidth(0, 166);
    m_grid->setColumnWidth(1, 994);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setWordWrap(false);

    // Source and filter.
    auto* sourceBox = named(new QGroupBox(QStringLiteral("Отчёт")), "GroupBox1");
    m_sourceA = named(new QRadioButton(QStringLiteral("Ватрел-А")), "RadioButton6");
    m_sourceB = named(new QRadioButton(QStringLiteral("Ватрел-Б")), "RadioButton1");
    m_sourceDaily = named(new QRadioButton(QStringLiteral("за сутки")), "RadioButton2");
    m_sourceA->setChecked(true);
    auto* sourceLayout = new QVBoxLayout(sourceBox);
    for (auto* b : {m_sourceA, m_sourceB, m_sourceDaily})
        sourceLayout->addWidget(b);

    auto* filterBox = named(new QGroupBox(QStringLiteral("Сообщения")), "GroupBox2");
    m_filterAll = named(new QRadioButton(QStringLiteral("Все")), "RadioButtonAllMess");
    m_filterAlarms = named(new QRadioButton(QStringLiteral("Тревожные")), "RadioButtonErr");
    m_filterLinkLoss = named(new QRadioButton(QStringLiteral("Потери связи")), "RadioButtonNoConnect");
    m_filterAll->setChecked(true);
    auto* filterLayout = new QVBoxLayout(filterBox);
    for (auto* b : {m_filterAll, m_filterAlarms, m_filterLinkLoss})
        filterLayout->addWidget(b);

    auto* openButton = named(new QPushButton(QStringLiteral("Открыть")), "BitBtn1");
    openButton->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    auto* printButton = m_printButton = named(new QPushButton(QStringLiteral("Печать")), "BitBtnPrint");
    m_exportButton = named(new QPushButton(QStringLiteral("Экспорт")), "BitBtnExport");
    m_exportButton->setToolTip(QStringLiteral("Запись отобранных сообщений в файл CSV"));
    m_exportButton->setEnabled(false);
    for (auto* b : {openButton, printButton, m_exportButton}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(110);
    }

    // Pages.
    m_pagesBox = named(new QGroupBox(QStringLiteral("Страницы")), "GroupBoxProt");
    m_pageNumberText = sunken("StTextStr");
    m_selectedCountText = sunken("StTextProt");
    m_selectedCountText->setWordWrap(true);
    keepWidth(m_pageNumberText, 80);
    keepWidth(m_selectedCountText, 200);
    auto pageButton = [this](const char* name, QStyle::StandardPixmap icon, const QString& hint,
                             PageButton which) {
        auto* b = named(new QToolButton, name);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(hint);
        connect(b, &QToolButton::clicked, this, [this, which] { turnPage(which); });
        return b;
    };
    auto* firstPageButton = pageButton("BButPrev", QStyle::SP_MediaSkipBackward,
                                       QStringLiteral("Переход на первую страницу"), PageButton::First);
    auto* previousPageButton =
        pageButton("BButBack", QStyle::SP_MediaSeekBackward, QStringLiteral("Переход на предыдущую страницу"),
                   PageButton::Previous);
    auto* nextPageButton = pageButton("BButNext", QStyle::SP_MediaSeekForward,
                                      QStringLiteral("Переход на следующую страницу"), PageButton::Next);
    auto* lastPageButton = pageButton("BButStep", QStyle::SP_MediaSkipForward,
                                      QStringLiteral("Переход на последнюю страницу"), PageButton::Last);
    auto* goToPageButton = pageButton("BButGo", QStyle::SP_ArrowRight,
                                      QStringLiteral("Переход на заданную страницу"), PageButton::Go);
    // The spinner keeps its text a number within its range by itself; the page changes only on the go-to button.
    m_pageChoice = named(new PageSpinBox, "CSpinEdProt");
    m_pageChoice->setToolTip(QStringLiteral("Задание номера страницы"));
    m_pageChoice->setRange(1, 100);
    m_pageChoice->setValue(1);
    // Wide enough for six digits; a wider entry for a long log would widen the whole window.
    m_pageChoice->setFixedWidth(72);
    auto* gp = new QGridLayout(m_pagesBox);
    auto* nav = new QHBoxLayout;
    nav->addStretch(1);
    for (auto* b : {firstPageButton, previousPageButton, nextPageButton, lastPageButton})
        nav->addWidget(b);
    nav->addWidget(m_pageChoice);
    nav->addWidget(goToPageButton);
    // The page number has a line of its own: the buttons beside it would leave it too little room.
    gp->addWidget(m_pageNumberText, 0, 0);
    gp->addLayout(nav, 1, 0);
    gp->addWidget(m_selectedCountText, 2, 0);
    m_pagesBox->setVisible(false);

    // Printing.
    auto* printBox = named(new QGroupBox(QStringLiteral("Печать")), "GroupBox3");
    auto* titleCaption = named(new QLabel(QStringLiteral("Заголовок :")), "Label7");
    m_printTitles = named(new QPlainTextEdit(QStringLiteral("Протокол событий")), "Memo1");
    m_printTitles->setMaximumHeight(60);
    auto check = [](const char* name, const QString& text, bool on) {
        auto* b = named(new QCheckBox(text), name);
        b->setChecked(on);
        return b;
    };
    m_printDate = check("CheckBox1", QStringLiteral("Печать даты"), true);
    m_printTime = check("CheckBox2", QStringLiteral("Печать времени"), true);
    m_printPages = check("CheckBox3", QStringLiteral("Печать числа страниц"), true);
    m_printBorders = check("CheckBox4", QStringLiteral("Печать границ"), true);
    m_fitToPage = check("CheckBox5", QStringLiteral("Растянуть на лист"), false);
    m_centred = check("CheckBox6", QStringLiteral("Печать по центру"), true);
    m_autoSize = check("CheckBox7", QStringLiteral("Авторазмер"), true);
    auto* bordersCaption = named(new QLabel(QStringLiteral("Границы")), "Label8");
    m_bordersAll = named(new QRadioButton(QStringLiteral("Все")), "RadioButton5");
    m_bordersHorizontal = named(new QRadioButton(QStringLiteral("Гор.")), "RadioButton4");
    m_bordersVertical = named(new QRadioButton(QStringLiteral("Верт.")), "RadioButton3");
    m_bordersAll->setChecked(true);
    auto* printLayout = new QGridLayout(printBox);
    printLayout->addWidget(titleCaption, 0, 0);
    printLayout->addWidget(m_printTitles, 1, 0, 1, 3);
    printLayout->addWidget(m_printDate, 2, 0);
    printLayout->addWidget(m_printTime, 3, 0);
    printLayout->addWidget(m_printPages, 4, 0);
    printLayout->addWidget(m_printBorders, 5, 0);
    printLayout->addWidget(m_fitToPage, 2, 1);
    printLayout->addWidget(m_centred, 3, 1);
    printLayout->addWidget(m_autoSize, 4, 1);
    auto* borders = new QHBoxLayout;
    borders->addWidget(bordersCaption);
    for (auto* b : {m_bordersAll, m_bordersHorizontal, m_bordersVertical})
        borders->addWidget(b);
    printLayout->addLayout(borders, 5, 1, 1, 2);

    auto* choices = new QVBoxLayout;
    choices->addWidget(sourceBox);
    choices->addWidget(filterBox);
    // The day chooser under "Открыть": a calendar that drops down from its button, days with a log
    // in bold; a click loads that day. The sensor chooser below: the sensors with a log, where they
    // are and whether they are still connected. Both keep the window as narrow as it was.
    m_calendar = named(new QCalendarWidget, "CalendarDays");
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    auto* dayButton = named(new QToolButton, "ButtonDays");
    dayButton->setText(QStringLiteral("За день…"));
    dayButton->setToolTip(QStringLiteral("Протокол за сутки: дни с протоколом выделены"));
    dayButton->setPopupMode(QToolButton::InstantPopup);
    auto* dayMenu = new QMenu(dayButton);
    auto* calendarAction = new QWidgetAction(dayMenu);
    calendarAction->setDefaultWidget(m_calendar);
    dayMenu->addAction(calendarAction);
    dayButton->setMenu(dayMenu);
    connect(m_calendar, &QCalendarWidget::clicked, this, [this, dayMenu](const QDate& day) {
        dayMenu->close();
        openDayLog(day);
    });
    m_sensors = named(new QComboBox, "ComboSensors");
    m_sensors->setToolTip(QStringLiteral("Протокол датчика"));
    m_sensors->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_sensors->setMinimumContentsLength(8);
    m_sensors->view()->setMinimumWidth(300);
    connect(m_sensors, &QComboBox::activated, this, &LogViewer::openChosenSensorLog);

    dayButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    dayButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(openButton);
    buttons->addWidget(dayButton);
    buttons->addWidget(m_sensors);
    buttons->addWidget(printButton);
    buttons->addWidget(m_exportButton);
    buttons->addStretch(1);
    auto* pagesColumn = new QVBoxLayout;
    pagesColumn->addWidget(m_pagesBox);
    pagesColumn->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(choices);
    bottom->addLayout(buttons);
    bottom->addLayout(pagesColumn, 2);
    bottom->addWidget(printBox, 2);
    // What is loaded, in words, and the progress of a long job with its Cancel.
    m_loadedLabel = named(new QLabel, "LabelLog");
    keepWidth(m_loadedLabel, 200);
    auto* jobRow = new JobRow;
    m_jobRow = jobRow;
    m_jobLabel = jobRow->label();
    m_jobBar = jobRow->bar();
    keepWidth(m_jobLabel, 200);
    m_jobBar->setTextVisible(true);
    connect(jobRow, &JobRow::cancelled, this, &LogViewer::cancelJobs);

    auto* top = new QVBoxLayout(this);
    top->addWidget(m_loadedLabel);
    top->addWidget(m_grid, 1);
    top->addWidget(m_jobRow);
    top->addLayout(bottom);

    connect(openButton, &QPushButton::clicked, this, &LogViewer::openLogFile);
    connect(printButton, &QPushButton::clicked, this, &LogViewer::printPage);
    connect(m_exportButton, &QPushButton::clicked, this, &LogViewer::exportToFile);

    // The dialogs are modal to the viewer only (the static file dialog functions are modal to the
    // whole program, which would leave the alarm window dead while one is open).
    openFileDialog = [this](const QString& folder) {
        QFileDialog dialog(this, QStringLiteral("Открыть"), folder);
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setProxyModel(new DayOrderProxy(&dialog));
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    saveFileDialog = [this](const QString& suggested) {
        return askSaveFile(this, QStringLiteral("Экспорт"), suggested,
                           QStringLiteral("CSV (*.csv);;Все файлы (*)"));
    };
    m_printer = new QPrinter(QPrinter::HighResolution);
    printDialog = [this](QPrinter& printer) { return askPrinter(this, printer); };
    refresh();
}

LogViewer::~LogViewer() {
    cancelJobs();
    for (Job* job : {&m_listingJob, &m_outputJob})
        if (job->thread) job->thread->wait();
    delete m_printer;
    // The base class hides the window only after the listing is gone; the grid must not ask for it then.
    m_grid->setModel(nullptr);
}

void LogViewer::hideEvent(QHideEvent* event) {
    // Closing the viewer ends what it was doing: an export leaves no file, a printout stops.
    // Minimising it (a hide the window system makes) does not.
    if (!event->spontaneous()) cancelJobs();
    QDialog::hideEvent(event);
}

bool LogViewer::busy() const { return m_listingJob.thread || m_outputJob.thread || m_pending; }

void LogViewer::cancelJobs() {
    m_pending.reset();
    for (Job* job : {&m_listingJob, &m_outputJob})
        if (job->control) job->control->cancel();
}

void LogViewer::startJob(Job& job, const QString& what, std::function<void(JobControl*)> work) {
    Job* lane = &job;
    job.what = what;
    // Progress is handed to the window thread as a queued call; a call that arrives after the
    // viewer is gone is dropped with it.
    job.control = std::make_shared<JobControl>([this, lane](qint64 done, qint64 total) {
        QMetaObject::invokeMethod(
            this, [this, lane, done, total] { jobProgress(*lane, done, total); }, Qt::QueuedConnection);
    });
    auto control = job.control;
    job.thread = QThread::create([control, work = std::move(work)] { work(control.get()); });
    connect(job.thread, &QThread::finished, job.thread, &QObject::deleteLater);
    job.thread->start();
}

void LogViewer::finishJob(Job& job) {
    job.thread.clear();
    job.control.reset();
    showJobRow();
}

void LogViewer::jobProgress(const Job& job, qint64 done, qint64 total) {
    if (!job.control) return; // finished meanwhile
    // The output's progress goes before the listing's when both run.
    if (&job == &m_listingJob && m_outputJob.control) return;
    m_jobLabel->setText(total > 0 ? QStringLiteral("%1: %2 из %3 записей").arg(job.what).arg(done).arg(total)
                                  : job.what);
    const int scale = total > 0 ? int(qMin<qint64>(1000, total)) : 0;
    m_jobBar->setRange(0, scale);
    m_jobBar->setValue(total > 0 ? int(done * scale / total) : 0);
    m_jobRow->setVisible(true);
}

void LogViewer::showJobRow() {
    if (!m_listingJob.control && !m_outputJob.control) m_jobRow->setVisible(false);
    m_printButton->setEnabled(!m_outputJob.control && !m_listingJob.control);
    m_exportButton->setEnabled(m_listing.pages_visible && !m_outputJob.control && !m_listingJob.control);
}

void LogViewer::startListing(const ListingRequest& request) {
    if (request.path.isEmpty()) return;
    if (m_listingJob.thread) {
        // The newest request wins: the one running stops at its next block and this one follows.
        m_pending = std::make_unique<ListingRequest>(request);
        m_listingJob.control->cancel();
        return;
    }
    auto index = m_index;
    startJob(m_listingJob, QStringLiteral("Чтение"), [this, index, request](JobControl* control) {
        ListingPage page = readListingPage(*index, request, control);
        QMetaObject::invokeMethod(
            this, [this, page = std::move(page)] { listingRead(page); }, Qt::QueuedConnection);
    });
    showJobRow();
}

void LogViewer::listingRead(const ListingPage& page) {
    finishJob(m_listingJob);
    if (m_pending) {
        const ListingRequest next = *std::exchange(m_pending, nullptr);
        startListing(next);
        return;
    }
    m_listing.apply(page);
    refresh();
    if (!page.request.pageChange) refreshChoosers(false);
}

void LogViewer::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred when first shown; afterwards it opens where the operator left it.
    if (!m_placed)
        if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    m_placed = true;
    refreshHeader();
}

void LogViewer::refreshHeader() {
    m_listing.refreshHeader();
    m_model->reload();
    refreshChoosers(true);
}

void LogViewer::refreshChoosers(bool showNewest) {
    for (const QDate& d : m_markedDays)
        m_calendar->setDateTextFormat(d, QTextCharFormat());
    m_markedDays = dailyLogDays(m_dataDir);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (const QDate& d : m_markedDays)
        m_calendar->setDateTextFormat(d, bold);
    if (showNewest && !m_markedDays.empty()) {
        m_calendar->setSelectedDate(m_markedDays.back());
        m_calendar->setCurrentPage(m_markedDays.back().year(), m_markedDays.back().month());
    }

    const int kept = m_sensors->currentIndex();
    m_sensors->clear();
    m_sensors->addItem(QStringLiteral("Датчик…"));
    for (const SensorLogFile& f : sensorLogFiles(m_dataDir)) {
        const QString type = f.sensor_type ? QStringLiteral("Ватрел-Б") : QStringLiteral("Ватрел-А");
        const int slot = m_sensorTable.findSlot(f.factory_number);
        const bool present =
            slot >= 0 && (m_sensorTable.record(slot).sensor_type != 0) == (f.sensor_type != 0);
        const QString where =
            present ? QStringLiteral("позиция %1").arg(slot + 1) : QStringLiteral("отключён");
        m_sensors->addItem(QStringLiteral("№ %1 (%2), %3").arg(qint32(f.factory_number)).arg(type, where),
                           QVariant::fromValue(QPair<quint32, int>(f.factory_number, f.sensor_type)));
    }
    m_sensors->setCurrentIndex(kept > 0 && kept < m_sensors->count() ? kept : 0);
}

void LogViewer::openDayLog(const QDate& day) {
    // A day without a log has nothing to show: the click leaves the listing as it is.
    if (!std::binary_search(m_markedDays.begin(), m_markedDays.end(), day)) return;
    takeChoices();
    startListing(m_listing.loadRequest(inDataFolder(dailyLogFragment(day))));
}

void LogViewer::openChosenSensorLog(int index) {
    if (index <= 0) return;
    const auto sensor = m_sensors->itemData(index).value<QPair<quint32, int>>();
    openSensorLog(sensor.first, qint16(sensor.second));
}

void LogViewer::takeChoices() {
    m_listing.source = m_sourceB->isChecked()       ? ReportSource::VatrelB
                       : m_sourceDaily->isChecked() ? ReportSource::Daily
                                                    : ReportSource::VatrelA;
    m_listing.filter = m_filterAlarms->isChecked()     ? LogFilter::Alarms
                       : m_filterLinkLoss->isChecked() ? LogFilter::LinkLoss
                                                       : LogFilter::All;
    m_listing.spin_value = m_pageChoice->value();
}

void LogViewer::refresh() {
    m_model->reload();
    // Texts of several lines get rows of the height they need; the others keep the default height.
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (m_listing.grid.at(1, row + 1).contains(QLatin1Char('\n'))) m_grid->resizeRowToContents(row);
    m_loadedLabel->setText(m_listing.LabelLog);
    setWindowTitle(m_listing.pages_visible
                       ? QStringLiteral("Протокол событий — ") + logTitle(m_listing.report_path)
                       : QStringLiteral("Протокол событий"));
    m_pagesBox->setVisible(m_listing.pages_visible);
    showJobRow();
    m_pageNumberText->setText(m_listing.StTextStr);
    m_selectedCountText->setText(m_listing.StTextProt);
    m_pageChoice->setMaximum(m_listing.spin_max);
    m_pageChoice->setValue(m_listing.spin_value);
    const int row = qBound(1, m_listing.current_row, qMax(1, m_model->rowCount())) - 1;
    if (m_model->rowCount() > 0) {
        const QModelIndex cell = m_model->index(row, 0);
        m_grid->setCurrentIndex(cell);
        m_grid->scrollTo(cell);
    }
}

void LogViewer::openLogFile() {
    takeChoices();
    const QString path = openFileDialog ? openFileDialog(m_listing.sourceFolder()) : QString();
    if (path.isEmpty()) return; // cancelled: the listing stays as it was
    startListing(m_listing.loadRequest(path));
}

void LogViewer::openSensorLog(quint32 factory_number, qint16 sensor_type) {
    takeChoices();
    startListing(m_listing.loadRequest(inDataFolder(sensorLogFragment(factory_number, sensor_type))));
}

void LogViewer::turnPage(PageButton sender) {
    takeChoices();
    startListing(m_listing.pageRequest(sender));
}

ReportPrintSettings LogViewer::printSettings() const {
    using B = ReportPrintSettings::Borders;
    ReportPrintSettings s;
    const QString memo = m_printTitles->toPlainText();
    s.titles = memo.isEmpty() ? QStringList() : memo.split(QLatin1Char('\n'));
    s.printTime = m_printTime->isChecked();
    s.printDate = m_printDate->isChecked();
    s.pageNumbers = m_printPages->isChecked();
    s.borders = !m_printBorders->isChecked()       ? B::None
                : m_bordersVertical->isChecked()   ? B::Vertical
                : m_bordersHorizontal->isChecked() ? B::Horizontal
                                                   : B::All;
    s.fitToPage = m_fitToPage->isChecked();
    s.autoSize = m_autoSize->isChecked();
    s.centred = m_centred->isChecked();
    s.infoBackground = palette().color(QPalette::ToolTipBase);
    return s;
}

void LogViewer::printPage() {
    if (m_outputJob.thread || m_listingJob.thread) return;
    m_printer->setCopyCount(1);
    // A cancelled print dialog prints nothing. The printer is the one of the last printout, so the
    // dialog offers the printer and output file chosen then.
    if (!printDialog || !printDialog(*m_printer)) return;
    // The page as shown now goes to the worker by copy; the printer is the worker's until it is done.
    auto grid = std::make_shared<TextGrid>(m_listing.grid);
    const auto styles = m_listing.row_styles;
    const ReportPrintSettings settings = printSettings();
    const QDateTime now = m_clock();
    QPrinter* printer = m_printer;
    startJob(m_outputJob, QStringLiteral("Печать"),
             [this, grid, styles, settings, now, printer](JobControl* control) {
                 const bool done = printReport(*printer, settings, *grid, styles, now, control);
                 QMetaObject::invokeMethod(
                     this,
                     [this, done] {
                         finishJob(m_outputJob);
                         if (done && m_door.windowUi())
                             m_door.windowUi()->message(
                                 QStringLiteral("Внимание"),
                                 QStringLiteral("Если печать прошла успешно,нажмите на кнопку <OK>"),
                                 ConsoleUi::Icon::Warning);
                     },
                     Qt::QueuedConnection);
             });
    showJobRow();
}

void LogViewer::exportToFile() {
    if (!m_listing.pages_visible || !saveFileDialog || m_outputJob.thread || m_listingJob.thread) return;
    const QString suggested =
        QDir(m_dataDir).filePath(QFileInfo(m_listing.report_path).fileName() + QStringLiteral(".csv"));
    const QString target = saveFileDialog(suggested);
    if (target.isEmpty()) return;
    // Exactly the listing shown: its file, its filter, the records it was read from.
    const ReportListing::ExportJob job = m_listing.exportJob(target);
    startJob(m_outputJob, QStringLiteral("Экспорт"), [this, job](JobControl* control) {
        const ExportResult result = exportListing(job, control);
        QMetaObject::invokeMethod(
            this,
            [this, job, result] {
                finishJob(m_outputJob);
                if (result == ExportResult::CannotRead)
                    m_notices.error(QStringLiteral("Файл не удается открыть: ") + job.source);
                else if (result == ExportResult::CannotWrite)
                    m_notices.error(QStringLiteral("Файл не удается записать: ") + job.target);
            },
            Qt::QueuedConnection);
    });
    showJobRow();
}

} // namespace vatrel
