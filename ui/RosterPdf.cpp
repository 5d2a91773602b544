#include "ui/RosterPdf.h"

#include "ui/Layout.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QtMath>

namespace classdiv {

namespace {

constexpr int kResolution = 300; // dots per inch of the page's coordinates
// Column widths in millimetres: No., name, group, score; the rules' columns
// share what is left of the line, none wider than kRuleColumnWidth.
constexpr double kColumnWidths[] = {12, 52, 34, 20};
constexpr double kRuleColumnWidth = 28;

double columnWidth(int column, int columns)
{
    if (column < 4)
        return kColumnWidths[column];
    const double left = SheetGeometry::width - 2 * SheetGeometry::margin - 12 - 52 - 34 - 20;
    return std::min(kRuleColumnWidth, left / (columns - 4));
}

class Page {
public:
    explicit Page(QPainter& painter) : m_painter(painter) {}

    static double dots(double mm) { return mm * kResolution / 25.4; }
    QRectF box(double left, double top, double width, double height) const
    {
        return {dots(left), dots(top), dots(width), dots(height)};
    }
    void text(const QRectF& area, const QString& text, Qt::Alignment align, double points, bool bold = false)
    {
        QFont font = layoutFont(kFontPGothic, points);
        font.setBold(bold);
        m_painter.setFont(font);
        const QRectF inner = area.adjusted(dots(1.2), 0, -dots(1.2), 0);
        // A text too long for its cell ends in an ellipsis instead of running into the next.
        const QString shown = m_painter.fontMetrics().elidedText(text, Qt::ElideRight, qFloor(inner.width()));
        m_painter.drawText(inner, align | Qt::AlignVCenter, shown);
    }
    // A row of cells with a frame; numbers go to the right.
    void row(double top, double height, const QStringList& cells, double points, bool heading)
    {
        double left = SheetGeometry::margin;
        for (int c = 0; c < cells.size(); ++c) {
            const double width = columnWidth(c, static_cast<int>(cells.size()));
            const QRectF cell = box(left, top, width, height);
            if (heading)
                m_painter.fillRect(cell, QColor(230, 230, 230));
            m_painter.drawRect(cell);
            const bool number = !heading && (c == 0 || c == 3);
            text(cell, cells[c], number ? Qt::AlignRight : Qt::AlignLeft, points, heading);
            left += width;
        }
    }

private:
    QPainter& m_painter;
};

void paintSheet(QPainter& painter, const RosterSheet& sheet)
{
    Page page(painter);
    painter.setPen(QPen(Qt::black, Page::dots(0.2)));
    const double left = SheetGeometry::margin;
    const double width = SheetGeometry::width - 2 * left;
    double top = SheetGeometry::margin;

    page.text(page.box(left, top, width, SheetGeometry::titleHeight - 2), sheet.title, Qt::AlignLeft, 18, true);
    page.text(page.box(left, top, width, SheetGeometry::titleHeight - 2), QStringLiteral("クラス名簿"), Qt::AlignRight, 10);
    top += SheetGeometry::titleHeight;

    page.row(top, SheetGeometry::headingHeight, sheet.headings, 10, true);
    top += SheetGeometry::headingHeight;
    const double points = sheet.rowHeight >= 5.5 ? 10.5 : 9;
    for (const QStringList& cells : sheet.rows) {
        page.row(top, sheet.rowHeight, cells, points, false);
        top += sheet.rowHeight;
    }
    if (!sheet.hasFigures)
        return;

    // The class's figures below the list: head count, average, difference,
    // then the six score bands with their counts.
    top += 5;
    page.text(page.box(left, top, width, 7), sheet.figures, Qt::AlignLeft, 11, true);
    top += 9;
    const double bandWidth = width / kBandCount;
    for (size_t b = 0; b < sheet.bandCounts.size(); ++b) {
        const QRectF heading = page.box(left + bandWidth * b, top, bandWidth, 6);
        const QRectF count = page.box(left + bandWidth * b, top + 6, bandWidth, 7);
        painter.fillRect(heading, QColor(230, 230, 230));
        painter.drawRect(heading);
        painter.drawRect(count);
        page.text(heading, sheet.bandCounts[b].first, Qt::AlignHCenter, 8);
        page.text(count, QStringLiteral("%1人").arg(sheet.bandCounts[b].second), Qt::AlignHCenter, 10.5);
    }
}

} // namespace

QByteArray rosterPdf(const std::vector<RosterSheet>& sheets)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(kResolution);
        writer.setTitle(QStringLiteral("クラス名簿"));
        writer.setCreator(QStringLiteral("クラス分けシステム"));
        QPainter painter(&writer);
        for (size_t i = 0; i < sheets.size(); ++i) {
            if (i > 0)
                writer.newPage();
            paintSheet(painter, sheets[i]);
        }
    }
    return bytes;
}

} // namespace classdiv
