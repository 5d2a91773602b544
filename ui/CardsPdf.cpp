#include "ui/CardsPdf.h"

#include "export/TextFit.h"
#include "ui/Layout.h"
#include "ui/PaperPainter.h"

#include <QPainterPath>

#include <array>

namespace classdiv {

namespace {

constexpr std::array<QRgb, 10> kColours = {0xf28b82, 0x8ab4f8, 0x81c995, 0xfdd663, 0xc58af9,
                                            0xfcad70, 0x78d9ec, 0xff8bcb, 0xb0bec5, 0xbcaaa4};
constexpr int kHatches = 8;
constexpr double kHeaderTop = 10;
constexpr double kTitleTop = 23;

void hatch(QPainter& painter, const QRectF& area, int kind)
{
    if (kind == 0)
        return;
    painter.save();
    painter.setClipRect(area);
    painter.setPen(QPen(Qt::black, PaperPainter::dots(0.25)));
    const double step = PaperPainter::dots(1.6);
    const double w = area.width(), h = area.height();
    // Diagonals: rising to the right, or falling.
    const auto diagonals = [&](bool rising) {
        for (double d = -h; d <= w; d += step)
            painter.drawLine(QPointF(area.left() + d, rising ? area.bottom() : area.top()),
                             QPointF(area.left() + d + h, rising ? area.top() : area.bottom()));
    };
    if (kind == 1 || kind == 5)
        for (double y = area.top() + step / 2; y < area.bottom(); y += step)
            painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    if (kind == 2 || kind == 5)
        for (double x = area.left() + step / 2; x < area.right(); x += step)
            painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    if (kind == 3 || kind == 6)
        diagonals(true);
    if (kind == 4 || kind == 6)
        diagonals(false);
    if (kind == 7) {
        painter.setBrush(Qt::black);
        for (double y = area.top() + step / 2; y < area.bottom(); y += step)
            for (double x = area.left() + step / 2; x < area.right(); x += step)
                painter.drawEllipse(QPointF(x, y), PaperPainter::dots(0.25), PaperPainter::dots(0.25));
    }
    painter.restore();
}

void paintCard(PaperPainter& page, const StudentCard& card, double x, double y)
{
    QPainter& painter = page.painter();
    // The bar: colour, hatching and the value in a white box.
    const QRectF bar = PaperPainter::box(x, y, CardGeometry::bar, CardGeometry::height);
    if (card.colour >= 0) {
        const BarLook look = barLook(card.colour);
        painter.fillRect(bar, look.colour);
        hatch(painter, bar, look.hatch);
        const QRectF label = PaperPainter::box(x + 0.5, y + CardGeometry::height / 2 - 3, CardGeometry::bar - 1, 6);
        painter.fillRect(label, Qt::white);
        painter.drawRect(label);
        page.text(label, card.colourValue, Qt::AlignHCenter, kFontGothic,
                  fittingPoints(card.colourValue, CardGeometry::bar - 1.4, 9, 4), true);
    }
    painter.drawLine(bar.topRight(), bar.bottomRight());

    const double left = x + CardGeometry::textLeft;
    const double classLeft = x + CardGeometry::width - 1.5 - CardGeometry::classWidth;
    const double markLeft = classLeft - CardGeometry::markWidth;
    page.text(PaperPainter::box(left, y + 1, markLeft - left, CardGeometry::topLine), card.heading.text, Qt::AlignLeft,
              kFontGothic, card.heading.points, false, card.heading.stretch);
    page.text(PaperPainter::box(markLeft, y + 1, CardGeometry::markWidth, CardGeometry::topLine), card.bandMark,
              Qt::AlignHCenter, kFontGothic, 12);
    page.text(PaperPainter::box(classLeft, y + 0.5, CardGeometry::classWidth, CardGeometry::topLine + 1.5),
              card.newClass, Qt::AlignRight, kFontGothic, fittingPoints(card.newClass, CardGeometry::classWidth, 18, 8), true);
    const double nameTop = y + 1 + CardGeometry::topLine;
    page.text(PaperPainter::box(left, nameTop, CardGeometry::textWidth, CardGeometry::nameLine), card.name.text,
              Qt::AlignLeft, kFontGothic, card.name.points, true, card.name.stretch);
    const double line = card.fieldPoints * kMillimetresPerPoint * 1.2;
    double top = nameTop + CardGeometry::nameLine;
    for (const QString& field : card.fields) {
        page.text(PaperPainter::box(left, top, CardGeometry::textWidth, line), field, Qt::AlignLeft, kFontGothic,
                  card.fieldPoints);
        top += line;
    }
}

void paintCutLines(QPainter& painter)
{
    painter.save();
    QPen pen(QColor(120, 120, 120), PaperPainter::dots(0.2), Qt::DashLine);
    painter.setPen(pen);
    const double right = CardGeometry::left + CardGeometry::across * CardGeometry::width;
    const double bottom = CardGeometry::top + CardGeometry::down * CardGeometry::height;
    for (int i = 0; i <= CardGeometry::across; ++i) {
        const double x = CardGeometry::left + i * CardGeometry::width;
        painter.drawLine(QPointF(PaperPainter::dots(x), PaperPainter::dots(CardGeometry::top - 3)),
                         QPointF(PaperPainter::dots(x), PaperPainter::dots(bottom + 3)));
    }
    for (int j = 0; j <= CardGeometry::down; ++j) {
        const double y = CardGeometry::top + j * CardGeometry::height;
        painter.drawLine(QPointF(PaperPainter::dots(CardGeometry::left - 3), PaperPainter::dots(y)),
                         QPointF(PaperPainter::dots(right + 3), PaperPainter::dots(y)));
    }
    painter.restore();
}

void paintTitle(PaperPainter& page, const QString& title, const QString& aside)
{
    const double width = CardGeometry::pageWidth - 2 * CardGeometry::left;
    page.text(PaperPainter::box(CardGeometry::left, kTitleTop, 40, 8), title, Qt::AlignLeft, kFontGothic, 14, true);
    page.text(PaperPainter::box(CardGeometry::left + 40, kTitleTop, width - 40, 8), aside, Qt::AlignRight, kFontGothic, 7);
}

} // namespace

BarLook barLook(int index)
{
    if (index < 0)
        return {Qt::white, 0};
    return {QColor(kColours[static_cast<size_t>(index) % kColours.size()]), index % kHatches};
}

QByteArray cardsPdf(const CardSheets& sheets, const PaperCopies& copies)
{
    const int cardPages = static_cast<int>(sheets.pages.size());
    const int perCopy = cardPages + static_cast<int>(sheets.notePages.size());
    const std::vector<PageHeader> headers = pageHeaders(copies, perCopy);
    const double width = CardGeometry::pageWidth - 2 * CardGeometry::left;
    return paperPdf(QStringLiteral("短冊"), static_cast<int>(headers.size()), [&](PaperPainter& page, int i) {
        page.header(headers[static_cast<size_t>(i)], CardGeometry::left, kHeaderTop, width);
        const int p = i % perCopy;
        if (p < cardPages) {
            const CardPage& cards = sheets.pages[static_cast<size_t>(p)];
            paintTitle(page, cards.title, QStringLiteral("成績の層 ") + sheets.bandLegend);
            paintCutLines(page.painter());
            for (size_t c = 0; c < cards.cards.size(); ++c) {
                const double x = CardGeometry::left + static_cast<double>(c % CardGeometry::across) * CardGeometry::width;
                const double y = CardGeometry::top + static_cast<double>(c / CardGeometry::across) * CardGeometry::height;
                paintCard(page, cards.cards[c], x, y);
            }
            return;
        }
        paintTitle(page, QStringLiteral("短冊に入りきらなかった文"), QString());
        double top = CardGeometry::noteTop;
        for (const QString& line : sheets.notePages[static_cast<size_t>(p - cardPages)]) {
            page.text(PaperPainter::box(CardGeometry::left, top, width, CardGeometry::noteLine), line, Qt::AlignLeft,
                      kFontGothic, CardGeometry::notePoints);
            top += CardGeometry::noteLine;
        }
    });
}

} // namespace classdiv
