// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/ReportPrinter.h"
#include "registry/JobControl.h"

#include <QAbstractTextDocumentLayout>
#include <QFileDialog>
#include <QPrintDialog>
#include <QFile>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPalette>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace vatrel {

QString askSaveFile(QWidget* parent, const QString& title, const QString& suggested, const QString& filter,
                    const QString& defaultSuffix) {
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

bool askPrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec() == QDialog::Accepted;
}

namespace {

// Screen widths of the listing's two columns, at 96 dots per inch.
constexpr double kColumnPx[2] = {166, 994};

QColor toColor(Colour c, const QColor& infoBackground) {
    if (c == colours::info_background) return infoBackground;
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QFont printFont(bool bold = false) {
    QFont f(QStringLiteral("Tahoma"), 8);
    f.setBold(bold);
    return f;
}

void setBorders(QTextTableCellFormat& f, ReportPrintSettings::Borders b, double width) {
    using B = ReportPrintSettings::Borders;
    const bool horizontal = b == B::All || b == B::Horizontal;
    const bool vertical = b == B::All || b == B::Vertical;
    const auto solid = QTextFrameFormat::BorderStyle_Solid;
    const auto none = QTextFrameFormat::BorderStyle_None;
    f.setTopBorder(horizontal ? width : 0);
    f.setBottomBorder(horizontal ? width : 0);
    f.setLeftBorder(vertical ? width : 0);
    f.setRightBorder(vertical ? width : 0);
    f.setTopBorderStyle(horizontal ? solid : none);
    f.setBottomBorderStyle(horizontal ? solid : none);
    f.setLeftBorderStyle(vertical ? solid : none);
    f.setRightBorderStyle(vertical ? solid : none);
    f.setBorderBrush(QBrush(Qt::black));
}

} // namespace

QTextTable* buildReportDocument(QTextDocument& doc, const ReportPrintSettings& s, const TextGrid& grid,
                                std::span<const RowStyle> styles, double dotsPerInch, double pageWidth) {
    doc.clear();
    doc.setDefaultFont(printFont());
    doc.setDocumentMargin(0);
    QTextCursor cur(&doc);
    // One edit for the whole document: laid out once at the end, not again after every cell.
    cur.beginEditBlock();

    QTextBlockFormat titleBlock;
    titleBlock.setAlignment(Qt::AlignHCenter);
    QTextCharFormat titleChars;
    titleChars.setFont(printFont(true));
    bool firstBlock = true;
    for (const QString& line : s.titles) {
        if (!firstBlock) cur.insertBlock();
        firstBlock = false;
        cur.setBlockFormat(titleBlock);
        cur.insertText(line, titleChars);
    }
    if (!firstBlock) cur.insertBlock(); // a gap between the titles and the table

    const int rows = qMax(1, grid.rowCount());
    QTextTableFormat tf;
    tf.setBorderCollapse(true);
    // The lines come from the cells' own borders, so that one direction can go without the other.
    tf.setBorder(0);
    tf.setBorderBrush(QBrush(Qt::black));
    tf.setCellSpacing(0);
    tf.setCellPadding(2);
    tf.setAlignment(s.centred ? Qt::AlignHCenter : Qt::AlignLeft);
    const double total = kColumnPx[0] + kColumnPx[1];
    if (s.fitToPage) {
        tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        if (!s.autoSize)
            tf.setColumnWidthConstraints(
                {QTextLength(QTextLength::PercentageLength, 100 * kColumnPx[0] / total),
                 QTextLength(QTextLength::PercentageLength, 100 * kColumnPx[1] / total)});
    } else if (!s.autoSize) {
        // The screen widths, in screen pixels that the layout scales to the device; a sheet narrower
        // than the two columns takes them in proportion rather than cutting the text off.
        const double scale = qMin(1.0, pageWidth * 96.0 / dotsPerInch / total);
        tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, kColumnPx[0] * scale),
                                      QTextLength(QTextLength::FixedLength, kColumnPx[1] * scale)});
    }
    QTextTable* table = cur.insertTable(rows, 2, tf);

    // Border widths are in screen pixels, scaled to the device by the layout: a hairline on paper.
    const double line = 0.75;
    for (int r = 0; r < rows; ++r) {
        QColor background = QColor(0xE0, 0xE0, 0xE0);
        QColor text = Qt::black;
        bool bold = r == 0;
        if (r > 0 && r <= int(styles.size()) && styles[size_t(r - 1)].background != 0) {
            background = toColor(styles[size_t(r - 1)].background, s.infoBackground);
            text = toColor(styles[size_t(r - 1)].font_colour, s.infoBackground);
            bold = (styles[size_t(r - 1)].font_style & kBoldStyle) != 0;
        } else if (r > 0) {
            background = Qt::white;
        }
        for (int col = 0; col < 2; ++col) {
            QTextTableCell cell = table->cellAt(r, col);
            QTextTableCellFormat cf = cell.format().toTableCellFormat();
            cf.setBackground(background);
            setBorders(cf, s.borders, line);
            cell.setFormat(cf);
            QTextCharFormat chars;
            chars.setFont(printFont(bold));
            chars.setForeground(text);
            QTextCursor cc = cell.firstCursorPosition();
            cc.insertText(grid.at(col, r), chars);
        }
    }
    cur.endEditBlock();
    return table;
}

namespace {

// Where each row of the table starts, and where the last one ends, in document coordinates: the
// middle of the gap between one row's text and the next, which is where their shared border runs.
// A cell's text of several lines is several blocks: the row reaches down to its cells' last blocks.
std::vector<double> rowEdges(QTextDocument& doc, QTextTable* table) {
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    const int rows = table->rows();
    std::vector<double> tops(static_cast<size_t>(rows)), bottoms(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        double top = 1e300, bottom = -1e300;
        for (int col = 0; col < table->columns(); ++col) {
            const QTextTableCell cell = table->cellAt(r, col);
            const QRectF first = layout->blockBoundingRect(cell.firstCursorPosition().block());
            const QRectF last = layout->blockBoundingRect(cell.lastCursorPosition().block());
            top = qMin(top, first.top());
            bottom = qMax(bottom, qMax(first.bottom(), last.bottom()));
        }
        tops[size_t(r)] = top;
        bottoms[size_t(r)] = bottom;
    }
    const QRectF frame = layout->frameBoundingRect(table);
    std::vector<double> edges{frame.top()};
    for (int r = 1; r < rows; ++r)
        edges.push_back((bottoms[size_t(r - 1)] + tops[size_t(r)]) / 2);
    edges.push_back(frame.bottom());
    return edges;
}

// Draws the document band [from, to) at height `at` of the page.
void drawSlice(QPainter& p, QTextDocument& doc, double from, double to, double at, double width) {
    p.save();
    p.setClipRect(QRectF(0, at, width, to - from));
    p.translate(0, at - from);
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.clip = QRectF(0, from, width, to - from);
    ctx.palette.setColor(QPalette::Text, Qt::black);
    doc.documentLayout()->draw(&p, ctx);
    p.restore();
}

} // namespace

bool printReport(QPagedPaintDevice& device, const ReportPrintSettings& s, const TextGrid& grid,
                 std::span<const RowStyle> styles, const QDateTime& now, JobControl* control) {
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&device);
    QTextTable* table = buildReportDocument(doc, s, grid, styles, device.logicalDpiX(), device.width());

    const QFontMetricsF fm(printFont(), &device);
    const double band = fm.lineSpacing() * 1.6;
    const double top = (s.printTime || s.printDate) ? band : 0;
    const double bottom = s.pageNumbers ? band : 0;
    const double width = device.width();
    const double height = qMax(band, device.height() - top - bottom);
    doc.setTextWidth(width);

    // Sheets break between rows, never through one; every sheet after the first repeats the column
    // titles. The first sheet starts with the title lines.
    const std::vector<double> edges = rowEdges(doc, table);
    const size_t rows = edges.size() - 1;
    const double header = edges[1] - edges[0];
    struct Sheet {
        double from, to;
    };
    std::vector<Sheet> sheets;
    size_t next = 1; // the first row below the column titles
    double from = 0;
    while (next < rows || sheets.empty()) {
        const double room = sheets.empty() ? height : height - header;
        size_t end = next;
        while (end < rows && edges[end + 1] - from <= room)
            ++end;
        if (end == next && next < rows) ++end; // a row taller than a sheet goes out on its own
        sheets.push_back({from, edges[end]});
        next = end;
        from = edges[end];
    }

    if (control && control->cancelled()) return false;
    QPainter p;
    if (!p.begin(&device)) return false;
    p.setFont(printFont());
    const int pages = int(sheets.size());
    for (int i = 0; i < pages; ++i) {
        if (control) {
            if (control->cancelled()) {
                // A printer drops what it was given; a PDF file is left unfinished and removed.
                auto* printer = dynamic_cast<QPrinter*>(&device);
                if (printer) printer->abort();
                p.end();
                if (printer && !printer->outputFileName().isEmpty()) QFile::remove(printer->outputFileName());
                return false;
            }
            control->progress(i, pages);
        }
        if (i > 0) device.newPage();
        p.setPen(Qt::black);
        if (s.printTime)
            p.drawText(QRectF(0, 0, width, band), Qt::AlignLeft | Qt::AlignTop,
                       now.time().toString(QStringLiteral("HH:mm:ss")));
        if (s.printDate)
            p.drawText(QRectF(0, 0, width, band), Qt::AlignRight | Qt::AlignTop,
                       now.date().toString(QStringLiteral("dd/MM/yyyy")));
        if (s.pageNumbers)
            p.drawText(QRectF(0, device.height() - band, width, band), Qt::AlignHCenter | Qt::AlignBottom,
                       QString::number(i + 1) + QLatin1Char('/') + QString::number(pages));
        double at = top;
        if (i > 0) {
            drawSlice(p, doc, edges[0], edges[1], at, width);
            at += header;
        }
        drawSlice(p, doc, sheets[size_t(i)].from, sheets[size_t(i)].to, at, width);
    }
    return p.end();
}

} // namespace vatrel
