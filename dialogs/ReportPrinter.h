#pragma once
#include "registry/Colours.h"
#include "registry/TextGrid.h"

#include <QDateTime>
#include <QStringList>
#include <array>

class QPagedPaintDevice;
class QTextDocument;
class QTextTable;

namespace vatrel {

// How the viewer's listing goes on paper: the print group's choices.
struct ReportPrintSettings {
    enum class Borders { None, All, Horizontal, Vertical };

    QStringList titles;      // lines above the listing
    bool printTime = true;   // top left
    bool printDate = true;   // top right, dd/MM/yyyy
    bool pageNumbers = true; // bottom centre, "page/pages"
    Borders borders = Borders::All;
    bool fitToPage = false; // the listing spans the page width
    bool autoSize = true;   // column widths by their content
    bool centred = true;    // the listing centred across the page
};

// The printed listing as a document: title lines, then a table of the grid's header and every shown
// row with the rows' colours, in Tahoma 8 pt. `styles` entry r - 1 colours grid row r. The device has
// `dotsPerInch` and a page `pageWidth` dots wide. Returns the table.
QTextTable* buildReportDocument(QTextDocument& doc, const ReportPrintSettings& s, const TextGrid& grid,
                                const std::array<RowStyle, 500>& styles, double dotsPerInch,
                                double pageWidth);

// Prints the listing page by page on `device` (a QPrinter, or a QPdfWriter), with the time, date and
// page numbers the settings ask for. `now` stamps the pages.
void printReport(QPagedPaintDevice& device, const ReportPrintSettings& s, const TextGrid& grid,
                 const std::array<RowStyle, 500>& styles, const QDateTime& now);

} // namespace vatrel
