// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/ReportListing.h"
#include "registry/DateTime.h"
#include "registry/EventLog.h"
#include "registry/JobControl.h"
#include "registry/WholeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>

namespace vatrel {

namespace {
// Texts of the listing keep their line breaks (the row is as tall as they need); a lone CR or other
// control characters of a damaged record become blanks.
QString listingText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar& ch : text)
        if (ch != QLatin1Char('\n') && (ch.category() == QChar::Other_Control || ch == QChar::LineSeparator ||
                                        ch == QChar::ParagraphSeparator))
            ch = QLatin1Char(' ');
    return text;
}
} // namespace

ListingPage readListingPage(LogIndex& index, const ListingRequest& request, JobControl* control) {
    ListingPage page;
    page.request = request;
    QFile f(request.path);
    if (request.path.isEmpty() || !openLogFile(f)) {
        index.clear();
        return page;
    }
    if (!index.refresh(f, request.path, request.filter, control)) {
        page.status = control && control->cancelled() ? ListingPage::Status::Cancelled
                                                      : ListingPage::Status::CannotOpen;
        return page;
    }
    page.fileRecords = index.scannedRecords();
    page.selected = index.count();
    const qint64 pages = qMax<qint64>(1, (page.selected + REPORT_PAGE_SIZE - 1) / REPORT_PAGE_SIZE);
    page.lastPage = int(qMin<qint64>(pages - 1, std::numeric_limits<qint32>::max() / REPORT_PAGE_SIZE));
    // A file that shrank since the page was chosen has fewer pages: its last one is shown.
    page.page = request.wantedPage < 0 ? page.lastPage : qBound(0, request.wantedPage, page.lastPage);
    const qint64 first = qint64(page.page) * REPORT_PAGE_SIZE;
    const qint64 n = qMin<qint64>(REPORT_PAGE_SIZE, page.selected - first);
    if (!index.read(f, first, n, page.records)) {
        index.clear();
        return page;
    }
    page.status = ListingPage::Status::Ok;
    return page;
}

QString logTitle(const QString& path) {
    const QFileInfo fi(path);
    const QString folder = fi.absoluteDir().dirName();
    const QString name = fi.fileName();
    if (folder == QLatin1String("QReport") && QDate::fromString(name, QStringLiteral("dd.MM.yyyy")).isValid())
        return QStringLiteral("Протокол за ") + name;
    bool number = false;
    name.toInt(&number);
    if (number && folder == QLatin1String("VatrelA_mess"))
        return QStringLiteral("Протокол датчика № %1 (Ватрел-А)").arg(name);
    if (number && folder == QLatin1String("VatrelB_mess"))
        return QStringLiteral("Протокол датчика № %1 (Ватрел-Б)").arg(name);
    return QStringLiteral("Протокол ") + name;
}

ReportListing::ReportListing(const QString& dataDir, const ChangeNotices& notices)
    : m_dataDir(dataDir), m_notices(notices) {
    refreshHeader();
}

void ReportListing::refreshHeader() {
    grid.set(0, 0, QStringLiteral("Дата и время"));
    grid.set(1, 0, QStringLiteral("Наименование события"));
}

QString ReportListing::sourceFolder() const {
    switch (source) {
    case ReportSource::VatrelB:
        return path(QStringLiteral("VatrelB_mess"));
    case ReportSource::Daily:
        return path(QStringLiteral("QReport"));
    case ReportSource::VatrelA:
        break;
    }
    return path(QStringLiteral("VatrelA_mess"));
}

ListingRequest ReportListing::loadRequest(const QString& path) const {
    return {path, filter, -1, PageButton::Last, false};
}

ListingRequest ReportListing::pageRequest(PageButton button) const {
    if (!pages_visible) return {};
    int wanted = 0;
    switch (button) {
    case PageButton::Previous:
        wanted = qMax(0, report_page - 1);
        break;
    case PageButton::Next:
        wanted = qMin(report_last_page, report_page + 1);
        break;
    case PageButton::First:
        wanted = 0;
        break;
    case PageButton::Last:
        wanted = report_last_page;
        break;
    case PageButton::Go:
        wanted = spin_value - 1;
        break;
    }
    return {report_path, filter, wanted, button, true};
}

void ReportListing::clearListing() {
    for (int row = 1; row < grid.capacity(); ++row) {
        grid.set(0, row, QString());
        grid.set(1, row, QString());
    }
    for (auto& s : row_styles)
        s = {};
    grid.setRowCount(2);
    report_total = report_page_rows = report_page = report_last_page = 0;
    report_wanted_page = -1;
    m_selected = m_fileRecords = 0;
    pages_visible = false;
    current_row = 1;
    StTextStr.clear();
    StTextProt.clear();
    LabelLog.clear();
    spin_max = 100;
    spin_value = 1;
}

bool ReportListing::apply(const ListingPage& page) {
    switch (page.status) {
    case ListingPage::Status::Cancelled:
        return false;
    case ListingPage::Status::CannotOpen:
        // The rows of the file shown before must not pass for the rows of the one that failed.
        clearListing();
        report_path = page.request.path;
        m_notices.error(page.request.pageChange
                            ? QStringLiteral("BButPrevClick: файл не удается открыть")
                            : QStringLiteral("Файл не удается открыть: ") + page.request.path);
        return false;
    case ListingPage::Status::Ok:
        break;
    }
    report_path = page.request.path;
    m_shownFilter = page.request.filter;
    m_selected = page.selected;
    m_fileRecords = page.fileRecords;
    report_total = qint32(qMin<qint64>(page.selected + 1, std::numeric_limits<qint32>::max()));
    report_last_page = page.lastPage;
    report_page = report_wanted_page = page.page;

    for (int row = 1; row < grid.capacity(); ++row) {
        grid.set(0, row, QString());
        grid.set(1, row, QString());
    }
    for (auto& s : row_styles)
        s = {};
    const int n = int(page.records.size());
    for (int k = 0; k < n; ++k) {
        const EventRecord& r = page.records[size_t(k)];
        row_styles[size_t(k)] = {colours::info_background, eventFontColour(r.code), 0, 0};
        grid.set(0, k + 1, formatDateTime(r.time));
        grid.set(1, k + 1, listingText(r.text));
    }
    const bool last = page.page == page.lastPage;
    report_page_rows = n + (last ? 1 : 0);
    if (last && n < REPORT_PAGE_SIZE)
        row_styles[size_t(n)] = {colours::info_background, colourOf(EventCode::ListingEnd), 0, 0};
    // An empty selection says so instead of showing a bare blank row.
    if (m_selected == 0) grid.set(1, 1, QStringLiteral(" Сообщений нет"));
    // Every page ends with one blank row: the end row on the last page, an empty one before.
    grid.setRowCount(n + 2);

    pages_visible = true;
    const PageButton b = page.request.button;
    current_row = !page.request.pageChange                                ? grid.rowCount() - 1
                  : (b == PageButton::Previous || b == PageButton::First) ? grid.rowCount() - 1
                                                                          : 1;
    spin_max = report_last_page + 1;
    spin_value = report_page + 1;
    updateTexts();
    return true;
}

bool ReportListing::load(const QString& path) { return apply(readListingPage(m_index, loadRequest(path))); }

bool ReportListing::openSensorLog(quint32 factory_number, qint16 sensor_type) {
    return load(path(sensorLogFragment(factory_number, sensor_type)));
}

bool ReportListing::changePage(PageButton button) {
    const ListingRequest request = pageRequest(button);
    if (request.path.isEmpty()) return false;
    return apply(readListingPage(m_index, request));
}

void ReportListing::updateTexts() {
    StTextProt = QStringLiteral(" Отобрано ") + QString::number(m_selected) +
                 QStringLiteral(" сообщений. Всего ") + QString::number(report_last_page + 1) +
                 QStringLiteral(" страниц (по ") + QString::number(REPORT_PAGE_SIZE) +
                 QStringLiteral(" сообщений)");
    StTextStr = QStringLiteral(" Стр. ") + QString::number(report_page + 1);
    LabelLog = logTitle(report_path) + QStringLiteral(", записей в файле: ") + QString::number(m_fileRecords);
}

ReportListing::ExportJob ReportListing::exportJob(const QString& target) const {
    return {report_path, m_shownFilter, m_fileRecords, m_selected, target};
}

bool ReportListing::exportCsv(const QString& target) {
    if (!pages_visible) return false;
    switch (exportListing(exportJob(target))) {
    case ExportResult::Done:
        return true;
    case ExportResult::CannotRead:
        m_notices.error(QStringLiteral("Файл не удается открыть: ") + report_path);
        return false;
    case ExportResult::CannotWrite:
        m_notices.error(QStringLiteral("Файл не удается записать: ") + target);
        return false;
    case ExportResult::Cancelled:
        break;
    }
    return false;
}

ExportResult exportListing(const ReportListing::ExportJob& job, JobControl* control) {
    QFile in(job.source);
    if (job.source.isEmpty() || !openLogFile(in)) return ExportResult::CannotRead;
    WholeFileWriter out(job.target);
    if (!out.open()) return ExportResult::CannotWrite;
    QByteArray chunk("\xEF\xBB\xBF"); // the BOM tells spreadsheet programs the text is UTF-8
    chunk.reserve(1 << 21);
    bool written = true;
    const bool read = forEachRecordImage(in, job.filter, job.records, control,
                                         [&](const char* const* images, qsizetype count) {
                                             for (qsizetype i = 0; i < count; ++i)
                                                 appendCsvLine(chunk, images[i]);
                                             if (chunk.size() >= (1 << 20)) {
                                                 written = written && out.write(chunk);
                                                 chunk.resize(0); // keeps its room
                                             }
                                         });
    if (!read) {
        out.cancel();
        return control && control->cancelled() ? ExportResult::Cancelled : ExportResult::CannotRead;
    }
    written = written && out.write(chunk);
    if (!written || !out.commit()) return ExportResult::CannotWrite;
    return ExportResult::Done;
}

} // namespace vatrel
