#include "registry/ReportListing.h"
#include "registry/DateTime.h"
#include "registry/EventLog.h"
#include "registry/WholeFileWriter.h"

#include <QFile>
#include <limits>

namespace vatrel {

namespace {
// The blank row that ends every listing carries this code.
constexpr int kEndRowCode = 46;
} // namespace

ReportListing::ReportListing(Console& c) : m_c(c) {
    FormActivate();
}

void ReportListing::FormActivate() {
    grid.set(0, 0, QStringLiteral("Дата и время"));
    grid.set(1, 0, QStringLiteral("Наименование события"));
}

QString ReportListing::sourceFolder() const {
    switch (source) {
    case ReportSource::VatrelB:
        return m_c.path(QStringLiteral("VatrelB_mess"));
    case ReportSource::Daily:
        return m_c.path(QStringLiteral("QReport"));
    case ReportSource::VatrelA:
        break;
    }
    return m_c.path(QStringLiteral("VatrelA_mess"));
}

void ReportListing::resetCounters() {
    report_total = 0;
    report_page_rows = 0;
    report_last_page = 0;
    report_page = 0;
}

bool ReportListing::load(const QString& path) {
    resetCounters();
    report_wanted_page = -1;
    report_path = path;
    QFile f(path);
    if (!openLogFile(f) || !m_index.refresh(f, path, filter)) {
        // The grid keeps what it showed; a page change will try this path again.
        m_index.clear();
        m_c.error(QStringLiteral("Файл не удается открыть: ") + path);
        return false;
    }
    pages_visible = true;
    // The last page: the view ends at the newest entries.
    if (!readAndShow(f, -1)) {
        m_c.error(QStringLiteral("Файл не удается открыть: ") + path);
        return false;
    }
    current_row = grid.rowCount() - 1;
    spin_max = report_last_page + 1;
    spin_value = report_last_page + 1;
    return true;
}

bool ReportListing::OpenSensorLog(quint32 factory_number, qint16 sensor_type) {
    return load(m_c.path(sensorLogFragment(factory_number, sensor_type)));
}

bool ReportListing::changePage(PageButton button) {
    if (!pages_visible) return false;
    switch (button) {
    case PageButton::Previous:
        report_wanted_page = qMax(0, report_page - 1);
        break;
    case PageButton::Next:
        report_wanted_page = qMin(report_last_page, report_page + 1);
        break;
    case PageButton::First:
        report_wanted_page = 0;
        break;
    case PageButton::Last:
        report_wanted_page = report_last_page;
        break;
    case PageButton::Go:
        report_wanted_page = spin_value - 1;
        break;
    }
    resetCounters();
    QFile f(report_path);
    if (!openLogFile(f) || !m_index.refresh(f, report_path, filter) || !readAndShow(f, report_wanted_page)) {
        m_index.clear();
        m_c.error(QStringLiteral("BButPrevClick: файл не удается открыть"));
        return false;
    }
    current_row = (button == PageButton::Previous || button == PageButton::First) ? grid.rowCount() - 1 : 1;
    spin_max = report_last_page + 1;
    spin_value = report_page + 1;
    return true;
}

bool ReportListing::readAndShow(QFile& f, int wantedPage) {
    m_selected = m_index.count();
    const qint64 positions = m_selected + 1; // the end row
    report_total = qint32(qMin<qint64>(positions, std::numeric_limits<qint32>::max()));
    report_last_page = (report_total - 1) / REPORT_PAGE_SIZE;
    // A file that shrank since the page was chosen has fewer pages: show its last one.
    const int page = wantedPage < 0 ? report_last_page : qBound(0, wantedPage, report_last_page);
    report_wanted_page = page;

    const qint64 first = qint64(page) * REPORT_PAGE_SIZE;
    const qint64 end = qMin<qint64>(report_total, first + REPORT_PAGE_SIZE);
    std::vector<EventRecord> records;
    if (!m_index.read(f, first, qMin(end, m_selected) - first, records)) return false;

    for (int row = 1; row < grid.capacity(); ++row) {
        grid.set(0, row, QString());
        grid.set(1, row, QString());
    }
    report_page_rows = 0;
    for (qint64 pos = first; pos < end; ++pos) {
        const int k = report_page_rows;
        const bool endRow = pos >= m_selected;
        const int code = endRow ? kEndRowCode : records[size_t(pos - first)].code;
        m_c.ReportRowStyles[size_t(k)] = {colours::info_background, eventFontColour(code), 0, 0};
        if (endRow) {
            // An empty selection says so instead of showing a bare blank row.
            if (m_selected == 0) grid.set(1, k + 1, QStringLiteral(" Сообщений нет"));
        } else {
            const EventRecord& r = records[size_t(pos - first)];
            grid.set(0, k + 1, formatDateTime(r.time));
            grid.set(1, k + 1, singleLineText(r.text));
        }
        ++report_page_rows;
    }
    for (int k = report_page_rows; k < REPORT_PAGE_SIZE; ++k)
        m_c.ReportRowStyles[size_t(k)] = {};
    report_page = page;
    grid.setRowCount(page == report_last_page ? report_page_rows + 1 : REPORT_PAGE_SIZE + 2);
    updateTexts();
    return true;
}

void ReportListing::updateTexts() {
    StTextProt = QStringLiteral(" Отобрано ") + QString::number(m_selected) +
                 QStringLiteral(" сообщений. Всего ") + QString::number(report_last_page + 1) +
                 QStringLiteral(" страниц (по ") + QString::number(REPORT_PAGE_SIZE) +
                 QStringLiteral(" сообщений)");
    StTextStr = QStringLiteral(" Стр. ") + QString::number(report_page + 1);
}

bool ReportListing::exportCsv(const QString& target) {
    QFile in(report_path);
    if (report_path.isEmpty() || !openLogFile(in)) {
        m_c.error(QStringLiteral("Файл не удается открыть: ") + report_path);
        return false;
    }
    WholeFileWriter out(target);
    if (!out.open()) {
        m_c.error(QStringLiteral("Файл не удается записать: ") + target);
        return false;
    }
    QByteArray chunk("\xEF\xBB\xBF"); // the BOM tells spreadsheet programs the text is UTF-8
    bool ok = true;
    const bool read = forEachRecord(in, filter, [&](const EventRecord& r) {
        chunk += csvLine(r).toUtf8();
        if (chunk.size() >= (1 << 20)) {
            ok = ok && out.write(chunk);
            chunk.clear();
        }
    });
    ok = ok && out.write(chunk);
    if (!read) {
        out.cancel();
        m_c.error(QStringLiteral("Файл не удается открыть: ") + report_path);
        return false;
    }
    if (!ok || !out.commit()) {
        m_c.error(QStringLiteral("Файл не удается записать: ") + target);
        return false;
    }
    return true;
}

} // namespace vatrel
