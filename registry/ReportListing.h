#pragma once
#include "registry/Console.h"
#include "registry/LogReader.h"
#include "registry/TextGrid.h"

#include <QString>

namespace vatrel {

constexpr int REPORT_PAGE_SIZE = 500;

// Which log folder the viewer's file-open dialog starts in.
enum class ReportSource { VatrelA, VatrelB, Daily };

// The viewer's five page buttons.
enum class PageButton { First, Previous, Next, Last, Go };

// The event log viewer's listing: one log file shown page by page (500 positions a page, the last
// position being the blank end row), filtered by kind and coloured by code. Everything the viewer
// shows is held here as plain texts; the window renders it. The row styles go to the Console's
// ReportRowStyles.
//
// Each page change shows the records appended to the file since the last look, but does not read
// the whole file again: the offsets of the passing records are indexed once and only the appended
// part is read (see LogIndex).
class ReportListing {
public:
    explicit ReportListing(Console& c);

    // The operator's choices.
    ReportSource source = ReportSource::VatrelA;
    LogFilter filter = LogFilter::All;

    // Listing state.
    QString report_path;
    qint32 report_total = 0;     // positions filled: passing records plus the end row
    qint32 report_page_rows = 0; // positions on the page shown
    qint32 report_page = 0;      // page shown
    qint32 report_last_page = 0;
    qint32 report_wanted_page = -1;

    // What the window shows.
    TextGrid grid{2, REPORT_PAGE_SIZE + 2, 2}; // header, up to 500 positions and one blank row
    int current_row = 1;                       // the row made current (and scrolled to) last
    bool pages_visible = false;                // GroupBoxProt
    QString StTextStr;
    QString StTextProt;
    int spin_max = 100;
    int spin_value = 1;

    // Header texts, set on every activation of the window.
    void FormActivate();
    // The folder the file-open dialog starts in, by the source choice.
    QString sourceFolder() const;

    // Loading a file the operator chose: the counters are reset first, then the file is read and its
    // last page shown. A file that cannot be opened gives "Файл не удается открыть: <path>".
    bool load(const QString& path);
    // The log of one sensor, by factory number and type, shown on its last page.
    bool OpenSensorLog(quint32 factory_number, qint16 sensor_type);
    // Page buttons; "Go" takes spin_value. Only after a load.
    bool changePage(PageButton button);

    // Writes the records of the loaded file that pass the chosen filter as CSV (UTF-8 with a BOM, one
    // RFC 4180 line per record) to `target`, replacing it only once it is complete.
    bool exportCsv(const QString& target);

    // Number of records selected (without the end row).
    qint64 selectedCount() const { return m_selected; }
    const LogIndex& index() const { return m_index; }

private:
    void resetCounters();
    bool readAndShow(QFile& f, int wantedPage);
    void updateTexts();

    Console& m_c;
    LogIndex m_index;
    qint64 m_selected = 0;
};

} // namespace vatrel
