// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Colours.h"
#include "registry/TextGrid.h"

#include <QColor>
#include <QDateTime>
#include <QStringList>
#include <span>

class QPagedPaintDevice;
class QPrinter;
class QTextDocument;
class QTextTable;
class QWidget;

namespace vatrel {

class JobControl;

// The save-file and print windows of the report windows. Each is modal to `parent` only, so the alarm
// window stays live while one is open. The path chosen (empty: none); whether to print.
QString askSaveFile(QWidget* parent, const QString& title, const QString& suggested, const QString& filter,
                    const QString& defaultSuffix = QString());
bool askPrinter(QWidget* parent, QPrinter& printer);

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
    // The rows' "tooltip" background, taken from the window's palette beforehand: printing may run
    // on a worker thread, which must not read the application's palette.
    QColor infoBackground = QColor(0xFF, 0xFF, 0xDC);
};

// The printed listing as a document: title lines, then a table of the grid's header and every shown
// row with the rows' colours, in Tahoma 8 pt. `styles` entry r - 1 colours grid row r (rows past its end
// print black on white). The device has
// `dotsPerInch` and a page `pageWidth` dots wide. Returns the table.
QTextTable* buildReportDocument(QTextDocument& doc, const ReportPrintSettings& s, const TextGrid& grid,
                                std::span<const RowStyle> styles, double dotsPerInch, double pageWidth);

// Prints the listing page by page on `device` (a QPrinter, or a QPdfWriter), with the time, date and
// page numbers the settings ask for. `now` stamps the pages. Runs on any thread; `control` may cancel
// it between sheets (a printer is then told to abort) and hears of the sheets done. Returns false
// when cancelled or when the device could not be painted on.
bool printReport(QPagedPaintDevice& device, const ReportPrintSettings& s, const TextGrid& grid,
                 std::span<const RowStyle> styles, const QDateTime& now, JobControl* control = nullptr);

} // namespace vatrel
