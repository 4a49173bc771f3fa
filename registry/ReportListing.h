// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/LogReader.h"
#include "registry/TextGrid.h"

#include <QString>
#include <array>
#include <vector>

namespace vatrel {

class JobControl;

constexpr int REPORT_PAGE_SIZE = 500;

// Which log folder the viewer's file-open dialog starts in.
enum class ReportSource { VatrelA, VatrelB, Daily };

// The viewer's five page buttons.
enum class PageButton { First, Previous, Next, Last, Go };

// What the listing asks of a log file: its path, the filter, the page wanted (-1: the last one) and
// whether it is a page change of the listing shown (its failure is reported differently).
struct ListingRequest {
    QString path;
    LogFilter filter = LogFilter::All;
    int wantedPage = -1;
    PageButton button = PageButton::Last;
    bool pageChange = false;
};

// One page of a log as read from its file, ready to be shown. Made by readListingPage(), on any thread.
struct ListingPage {
    enum class Status { Ok, CannotOpen, Cancelled };
    Status status = Status::CannotOpen;
    ListingRequest request;
    qint64 fileRecords = 0; // whole records in the file when it was read: the extent of the selection
    qint64 selected = 0;    // of them, the records that passed the filter
    int page = 0;
    int lastPage = 0;
    std::vector<EventRecord> records; // the page's records
};

// Reads the page `request` asks for through `index` (kept from one request to the next, so that only
// what was appended since is read). Pages hold 500 records; the blank end row follows the last record
// on the last page, so a log of 500 records has one page, not a second one holding the end row alone.
ListingPage readListingPage(LogIndex& index, const ListingRequest& request, JobControl* control = nullptr);

// What the operator calls a log: "Протокол за 07.12.2026" for a day's log, "Протокол датчика № 1234
// (Ватрел-Б)" for a sensor's, the file name for any other file.
QString logTitle(const QString& path);

// The event log viewer's listing: one log file shown page by page, filtered by kind and coloured by
// code. Everything the viewer shows is held here as plain texts and row styles; the window renders it.
//
// Reading is apart from showing: a ListingRequest is read into a ListingPage (the viewer does that on
// a worker thread) and apply() shows it. load() and changePage() do both at once.
class ReportListing {
public:
    // Reads the logs of `dataDir`; a file that cannot be read or written is told through `notices`.
    ReportListing(const QString& dataDir, const ChangeNotices& notices);

    // The operator's choices.
    ReportSource source = ReportSource::VatrelA;
    LogFilter filter = LogFilter::All;

    // Listing state: what is shown.
    QString report_path;
    qint32 report_total = 0;     // positions filled: passing records plus the end row
    qint32 report_page_rows = 0; // positions on the page shown
    qint32 report_page = 0;      // page shown
    qint32 report_last_page = 0;
    qint32 report_wanted_page = -1;

    // What the window shows.
    TextGrid grid{2, REPORT_PAGE_SIZE + 2, 2};           // header, up to 500 positions and one blank row
    std::array<RowStyle, REPORT_PAGE_SIZE> row_styles{}; // of grid rows 1 …; unstyled: background 0
    int current_row = 1;                                 // the row made current (and scrolled to) last
    bool pages_visible = false;                          // GroupBoxProt; also: a log is loaded
    QString StTextStr;
    QString StTextProt;
    QString LabelLog; // the loaded log in words, with its record count
    int spin_max = 100;
    int spin_value = 1;

    // Header texts, set on every activation of the window.
    void refreshHeader();
    // The folder the file-open dialog starts in, by the source choice.
    QString sourceFolder() const;

    // The requests behind the operator's actions: loading a file (its last page), and a page button
    // ("Go" takes spin_value) of the listing shown. A page button before any load asks nothing
    // (an empty path).
    ListingRequest loadRequest(const QString& path) const;
    ListingRequest pageRequest(PageButton button) const;
    // Shows a page read for a request. A file that cannot be opened empties the listing and says so:
    // "Файл не удается открыть: <path>" for a load, "BButPrevClick: файл не удается открыть" for a
    // page change. A cancelled read changes nothing. Returns true when the page is shown.
    bool apply(const ListingPage& page);

    // Synchronous forms: read through the listing's own index and show.
    bool load(const QString& path);
    bool openSensorLog(quint32 factory_number, qint16 sensor_type);
    bool changePage(PageButton button);

    // Writes the listing shown as CSV to `target`: the records of its file that its filter selected
    // when it was read, not those appended since, and not by a filter chosen since.
    bool exportCsv(const QString& target);
    struct ExportJob {
        QString source;
        LogFilter filter = LogFilter::All;
        qint64 records = 0; // the first records of the file the selection was made from
        qint64 selected = 0;
        QString target;
    };
    ExportJob exportJob(const QString& target) const;

    // Number of records selected (without the end row), and whole records in the file, when read.
    qint64 selectedCount() const { return m_selected; }
    qint64 fileRecords() const { return m_fileRecords; }
    LogFilter shownFilter() const { return m_shownFilter; }
    const LogIndex& index() const { return m_index; }

private:
    void clearListing();
    void updateTexts();

    QString path(const QString& fragment) const { return m_dataDir + QLatin1Char('/') + fragment; }
    const QString& m_dataDir;
    const ChangeNotices& m_notices;
    LogIndex m_index;
    qint64 m_selected = 0;
    qint64 m_fileRecords = 0;
    LogFilter m_shownFilter = LogFilter::All;
};

// Export of a listing as CSV (UTF-8 with a BOM, one RFC 4180 line per record), written to a temporary
// file renamed to the target only when complete: a failure or a Cancel leaves no partial file, and an
// earlier file of that name as it was.
enum class ExportResult { Done, CannotRead, CannotWrite, Cancelled };
ExportResult exportListing(const ReportListing::ExportJob& job, JobControl* control = nullptr);

} // namespace vatrel
