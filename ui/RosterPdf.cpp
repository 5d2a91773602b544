#include "ui/RosterPdf.h"

#include "ui/Layout.h"
#include "ui/PaperPainter.h"

namespace classdiv {

namespace {

void row(PaperPainter& page, const RosterSheet& sheet, double top, double height, const QStringList& cells,
         double points, bool heading)
{
    QPainter& painter = page.painter();
    double left = SheetGeometry::margin;
    for (int c = 0; c < cells.size() && c < static_cast<int>(sheet.widths.size()); ++c) {
        const double width = sheet.widths[static_cast<size_t>(c)];
        const QRectF cell = PaperPainter::box(left, top, width, height);
        if (heading)
            painter.fillRect(cell, QColor(230, 230, 230));
        painter.drawRect(cell);
        const bool number = !heading && sheet.numeric[static_cast<size_t>(c)];
        const QRectF inner = cell.adjusted(PaperPainter::dots(1.2), 0, -PaperPainter::dots(1.2), 0);
        page.text(inner, cells[c], number ? Qt::AlignRight : Qt::AlignLeft, kFontPGothic, points, heading);
        left += width;
    }
}

void paintSheet(PaperPainter& page, const RosterSheet& sheet, const PageHeader& header)
{
    QPainter& painter = page.painter();
    const double left = SheetGeometry::margin;
    const double width = SheetGeometry::lineWidth;
    double top = SheetGeometry::margin;
    page.header(header, left, top, width);
    top += SheetGeometry::headerHeight;

    page.text(page.box(left, top, width, SheetGeometry::titleHeight - 2), sheet.title, Qt::AlignLeft, kFontPGothic, 18, true);
    page.text(page.box(left, top, width, SheetGeometry::titleHeight - 2), QStringLiteral("クラス名簿"), Qt::AlignRight,
              kFontPGothic, 10);
    top += SheetGeometry::titleHeight;

    row(page, sheet, top, SheetGeometry::headingHeight, sheet.headings, 10, true);
    top += SheetGeometry::headingHeight;
    const double points = sheet.rowHeight >= 5.5 ? 10.5 : 9;
    for (const QStringList& cells : sheet.rows) {
        row(page, sheet, top, sheet.rowHeight, cells, points, false);
        top += sheet.rowHeight;
    }
    if (!sheet.hasFigures)
        return;

    // The class's figures below the list: head count, average, difference,
    // then the six score bands with their counts.
    top += 5;
    page.text(page.box(left, top, width, 7), sheet.figures, Qt::AlignLeft, kFontPGothic, 11, true);
    top += 9;
    const double bandWidth = width / kBandCount;
    for (size_t b = 0; b < sheet.bandCounts.size(); ++b) {
        const QRectF heading = page.box(left + bandWidth * b, top, bandWidth, 6);
        const QRectF count = page.box(left + bandWidth * b, top + 6, bandWidth, 7);
        painter.fillRect(heading, QColor(230, 230, 230));
        painter.drawRect(heading);
        painter.drawRect(count);
        page.text(heading, sheet.bandCounts[b].first, Qt::AlignHCenter, kFontPGothic, 8);
        page.text(count, QStringLiteral("%1人").arg(sheet.bandCounts[b].second), Qt::AlignHCenter, kFontPGothic, 10.5);
    }
}

} // namespace

QByteArray rosterPdf(const std::vector<RosterSheet>& sheets, const PaperCopies& copies)
{
    const int perCopy = static_cast<int>(sheets.size());
    const std::vector<PageHeader> headers = pageHeaders(copies, perCopy);
    return paperPdf(QStringLiteral("クラス名簿"), static_cast<int>(headers.size()), [&](PaperPainter& page, int i) {
        paintSheet(page, sheets[static_cast<size_t>(i % perCopy)], headers[static_cast<size_t>(i)]);
    });
}

} // namespace classdiv
