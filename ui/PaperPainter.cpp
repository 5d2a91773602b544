#include "ui/PaperPainter.h"

#include "ui/Layout.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>

namespace classdiv {

void PaperPainter::text(const QRectF& area, const QString& text, Qt::Alignment align, const QString& family,
                        double points, bool bold, int stretch)
{
    QFont font = layoutFont(family, points);
    font.setBold(bold);
    if (stretch != 100)
        font.setStretch(stretch);
    // The painter's own measure: a proportional font may still be a little too wide for a box the core sized.
    for (double p = points; p >= 4; p -= 0.25) {
        font.setPointSizeF(p);
        if (QFontMetricsF(font, m_painter.device()).horizontalAdvance(text) <= area.width())
            break;
    }
    m_painter.setFont(font);
    m_painter.drawText(area, align | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

void PaperPainter::header(const PageHeader& header, double left, double top, double width)
{
    m_painter.save();
    m_painter.setPen(QPen(Qt::black, dots(0.5)));
    const QRectF secret = box(left, top, 16, 7.5);
    const QRectF collect = box(left + 18, top, 26, 7.5);
    m_painter.drawRect(secret);
    m_painter.drawRect(collect);
    text(secret, kConfidentialMark, Qt::AlignHCenter, kFontGothic, 15, true);
    text(collect, kCollectMark, Qt::AlignHCenter, kFontGothic, 11, true);
    text(box(left + 46, top, width - 46, 7.5), header.copy, Qt::AlignRight, kFontGothic, 13, true);
    text(box(left, top + 7.8, width - 30, 4.5), header.draft + QStringLiteral("　") + header.printed, Qt::AlignLeft,
         kFontGothic, 9);
    text(box(left + width - 30, top + 7.8, 30, 4.5), header.page, Qt::AlignRight, kFontGothic, 9);
    m_painter.setPen(QPen(Qt::black, dots(0.3)));
    m_painter.drawLine(QPointF(dots(left), dots(top + 12.3)), QPointF(dots(left + width), dots(top + 12.3)));
    m_painter.restore();
}

QByteArray paperPdf(const QString& title, int pages, const std::function<void(PaperPainter&, int)>& paint)
{
    return runningPaperPdf(title, [&](PaperPainter& page, int i) {
        if (i < pages)
            paint(page, i);
        return i + 1 < pages;
    });
}

QByteArray runningPaperPdf(const QString& title, const std::function<bool(PaperPainter&, int)>& paint)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(PaperPainter::kResolution);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("クラス分けシステム"));
        QPainter painter(&writer);
        PaperPainter page(painter);
        bool more = true;
        for (int i = 0; more; ++i) {
            if (i > 0)
                writer.newPage();
            painter.setPen(QPen(Qt::black, PaperPainter::dots(0.2)));
            more = paint(page, i);
        }
    }
    return bytes;
}

} // namespace classdiv
