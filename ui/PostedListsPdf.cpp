#include "ui/PostedListsPdf.h"

#include "ui/Layout.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace classdiv {

namespace {

constexpr int kResolution = 300;
constexpr double kNumberWidth = 16; // millimetres
constexpr double kColumnGap = 8;

double dots(double mm) { return mm * kResolution / 25.4; }

// The layout's Gothic at the given size, made smaller until the text fits
// the box: a long name shrinks, it is never cut off.
void paintText(QPainter& painter, const QRectF& box, const QString& text, double points, Qt::Alignment align,
               bool bold = false)
{
    QFont font = layoutFont(kFontPGothic, points);
    font.setBold(bold);
    for (double size = points; size > 4; size -= 0.5) {
        font.setPointSizeF(size);
        painter.setFont(font);
        if (painter.fontMetrics().horizontalAdvance(text) <= box.width())
            break;
    }
    painter.setPen(Qt::black);
    painter.drawText(box, align | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

void paintPage(QPainter& painter, const PostedPage& page)
{
    const double left = PostedGeometry::margin;
    const double width = PostedGeometry::width - 2 * left;
    double top = PostedGeometry::margin;
    const QPen rule(QColor(96, 96, 96), dots(0.2));
    paintText(painter, QRectF(dots(left), dots(top), dots(width), dots(16)), page.title, 40, Qt::AlignHCenter, true);
    top += PostedGeometry::titleHeight;

    const size_t columns = std::max<size_t>(1, page.columns.size());
    const double columnWidth = (width - kColumnGap * double(columns - 1)) / double(columns);
    // Type as large as the row allows: about 2 points a millimetre of row, at most 24 points.
    const double points = std::min(24.0, page.rowHeight * 2.0);
    for (size_t c = 0; c < page.columns.size(); ++c) {
        const double x = left + double(c) * (columnWidth + kColumnGap);
        double y = top;
        for (const PostedEntry& entry : page.columns[c]) {
            painter.setPen(rule);
            painter.drawLine(QPointF(dots(x), dots(y + page.rowHeight)),
                             QPointF(dots(x + columnWidth), dots(y + page.rowHeight)));
            paintText(painter, QRectF(dots(x), dots(y), dots(kNumberWidth - 3), dots(page.rowHeight)),
                      QString::number(entry.number), points, Qt::AlignRight);
            paintText(painter,
                      QRectF(dots(x + kNumberWidth + 2), dots(y), dots(columnWidth - kNumberWidth - 3),
                             dots(page.rowHeight)),
                      entry.name, points, Qt::AlignLeft);
            y += page.rowHeight;
        }
    }
}

} // namespace

QByteArray postedListsPdf(const std::vector<PostedPage>& pages)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(kResolution);
        writer.setTitle(QStringLiteral("新しいクラスの名簿"));
        writer.setCreator(QStringLiteral("クラス分けシステム"));
        QPainter painter(&writer);
        for (size_t i = 0; i < pages.size(); ++i) {
            if (i > 0)
                writer.newPage();
            paintPage(painter, pages[i]);
        }
    }
    return bytes;
}

} // namespace classdiv
