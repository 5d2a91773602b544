#include "ui/CheckSheetPaper.h"

#include "export/TextFit.h"
#include "ui/Layout.h"
#include "ui/PaperPainter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace classdiv {

namespace {

// A4 portrait in millimetres.
constexpr double kLeft = 18;
constexpr double kWidth = 210 - 2 * kLeft;
constexpr double kTop = 15;
constexpr double kBottom = 282;
constexpr double kTitleHeight = 11;
constexpr double kInfoLine = 5;
constexpr double kVerdictHeight = 13;
constexpr double kHeadingHeight = 6;
constexpr double kTextLine = 4.4; // a line of a row at kRowPoints
constexpr double kRowPad = 1.6;
constexpr double kRowPoints = 9;
constexpr double kSignatureHeight = 36;
constexpr double kColumns[] = {22, 60, kWidth - 22 - 60}; // state, rule, what the classes do

struct Row {
    QStringList rule, detail;
    double height = 0;
};

struct Page {
    size_t first = 0, last = 0; // rows [first, last)
    bool signature = false;
};

struct Layout {
    std::vector<Row> rows;
    std::vector<Page> pages;
};

QStringList wrapped(const QString& text, double width)
{
    return wrappedToEms(text, std::floor((width - 2) / (kRowPoints * kMillimetresPerPoint)));
}

// The first page's own part above the table: title, source, verdict, figures.
double firstPageHead(const CheckSheet& sheet)
{
    return kTitleHeight + kInfoLine * static_cast<double>(sheet.source.size()) + 2 + kVerdictHeight + 2 +
           kInfoLine * static_cast<double>(sheet.figures.size()) + 2;
}

Layout layoutOf(const CheckSheet& sheet)
{
    Layout layout;
    for (const CheckLine& line : sheet.lines) {
        Row row{wrapped(line.rule, kColumns[1]), wrapped(line.detail, kColumns[2]), 0};
        row.height = static_cast<double>(std::max<qsizetype>({1, row.rule.size(), row.detail.size()})) * kTextLine + kRowPad;
        layout.rows.push_back(std::move(row));
    }
    double top = kTop + firstPageHead(sheet) + kHeadingHeight;
    Page page;
    for (size_t r = 0; r < layout.rows.size(); ++r) {
        // A row taller than a whole page still goes on one page of its own.
        if (top + layout.rows[r].height > kBottom && r > page.first) {
            page.last = r;
            layout.pages.push_back(page);
            page = Page{r, r, false};
            top = kTop + kTitleHeight + kHeadingHeight;
        }
        top += layout.rows[r].height;
    }
    page.last = layout.rows.size();
    page.signature = top + 4 + kSignatureHeight <= kBottom;
    layout.pages.push_back(page);
    if (!page.signature)
        layout.pages.push_back(Page{layout.rows.size(), layout.rows.size(), true});
    return layout;
}

void paintRow(PaperPainter& paper, const CheckLine& line, const Row& row, double top)
{
    QPainter& painter = paper.painter();
    double left = kLeft;
    const QStringList* texts[] = {nullptr, &row.rule, &row.detail};
    for (int c = 0; c < 3; ++c) {
        const QRectF cell = PaperPainter::box(left, top, kColumns[c], row.height);
        if (line.broken)
            painter.fillRect(cell, QColor(225, 225, 225));
        painter.drawRect(cell);
        if (c == 0) {
            paper.text(PaperPainter::box(left + 1, top, kColumns[c] - 2, row.height), line.broken ? kBroken : kHeld,
                       Qt::AlignHCenter, kFontGothic, kRowPoints, line.broken);
        } else {
            for (qsizetype i = 0; i < texts[c]->size(); ++i)
                paper.text(PaperPainter::box(left + 1, top + kRowPad / 2 + kTextLine * static_cast<double>(i), kColumns[c] - 2, kTextLine),
                           texts[c]->at(i), Qt::AlignLeft, kFontGothic, kRowPoints, line.broken);
        }
        left += kColumns[c];
    }
}

void paintHeading(PaperPainter& paper, double top)
{
    const QString headings[] = {QStringLiteral("状態"), QStringLiteral("決まり"), QStringLiteral("クラス分けでは")};
    double left = kLeft;
    for (int c = 0; c < 3; ++c) {
        const QRectF cell = PaperPainter::box(left, top, kColumns[c], kHeadingHeight);
        paper.painter().fillRect(cell, QColor(240, 240, 240));
        paper.painter().drawRect(cell);
        paper.text(cell, headings[c], Qt::AlignHCenter, kFontGothic, kRowPoints, true);
        left += kColumns[c];
    }
}

// 学年主任's lines: the date of the check and the signature.
void paintSignature(PaperPainter& paper, double top)
{
    QPainter& painter = paper.painter();
    const QRectF frame = PaperPainter::box(kLeft, top, kWidth, kSignatureHeight);
    painter.drawRect(frame);
    paper.text(PaperPainter::box(kLeft + 3, top + 2, kWidth - 6, 7),
               QStringLiteral("上の決まりとクラス分けを確かめました。"), Qt::AlignLeft, kFontGothic, 10.5);
    paper.text(PaperPainter::box(kLeft + 3, top + 12, 30, 8), kSignatureCaption, Qt::AlignLeft, kFontGothic, 12, true);
    paper.text(PaperPainter::box(kLeft + 36, top + 12, 70, 8), QStringLiteral("確認日　　　　年　　　月　　　日"),
               Qt::AlignLeft, kFontGothic, 10.5);
    paper.text(PaperPainter::box(kLeft + 36, top + 24, 20, 8), QStringLiteral("署名"), Qt::AlignLeft, kFontGothic, 10.5);
    painter.drawLine(QPointF(PaperPainter::dots(kLeft + 50), PaperPainter::dots(top + 31)),
                     QPointF(PaperPainter::dots(kLeft + kWidth - 6), PaperPainter::dots(top + 31)));
}

void paintPage(PaperPainter& paper, const CheckSheet& sheet, const Layout& layout, int index)
{
    const Page& page = layout.pages[static_cast<size_t>(index)];
    const QString pageText = QStringLiteral("%1 / %2 ページ").arg(index + 1).arg(layout.pages.size());
    double top = kTop;
    paper.text(PaperPainter::box(kLeft, top, kWidth - 52, kTitleHeight - 2), kCheckSheetTitle, Qt::AlignLeft, kFontGothic,
               index == 0 ? 18 : 12, true);
    // The names and the reasons of the record are the school's own: marked as the meeting papers are.
    const QRectF secret = PaperPainter::box(kLeft + kWidth - 50, top + 0.5, 16, kTitleHeight - 3);
    paper.painter().drawRect(secret);
    paper.text(secret, kConfidentialMark, Qt::AlignHCenter, kFontGothic, 13, true);
    paper.text(PaperPainter::box(kLeft + kWidth - 30, top, 30, kTitleHeight - 2), pageText, Qt::AlignRight, kFontGothic, 9);
    top += kTitleHeight;
    if (index == 0) {
        for (const QString& line : sheet.source) {
            paper.text(PaperPainter::box(kLeft, top, kWidth, kInfoLine), line, Qt::AlignLeft, kFontGothic, 9.5);
            top += kInfoLine;
        }
        top += 2;
        const QRectF verdict = PaperPainter::box(kLeft, top, kWidth, kVerdictHeight);
        paper.painter().save();
        paper.painter().setPen(QPen(Qt::black, PaperPainter::dots(sheet.broken > 0 ? 0.8 : 0.3)));
        paper.painter().drawRect(verdict);
        paper.painter().restore();
        const QString text = sheet.broken > 0
                                 ? QStringLiteral("%1（破れている決まり %2）").arg(sheet.verdict).arg(sheet.broken)
                                 : sheet.verdict;
        paper.text(verdict, text, Qt::AlignHCenter, kFontGothic, 15, sheet.broken > 0);
        top += kVerdictHeight + 2;
        for (const QString& line : sheet.figures) {
            paper.text(PaperPainter::box(kLeft, top, kWidth, kInfoLine), line, Qt::AlignLeft, kFontGothic, 9.5);
            top += kInfoLine;
        }
        top += 2;
    }
    if (page.last > page.first) {
        paintHeading(paper, top);
        top += kHeadingHeight;
    }
    for (size_t r = page.first; r < page.last; ++r) {
        paintRow(paper, sheet.lines[r], layout.rows[r], top);
        top += layout.rows[r].height;
    }
    if (page.signature)
        paintSignature(paper, top + 4);
}

} // namespace

int checkSheetPageCount(const CheckSheet& sheet)
{
    return static_cast<int>(layoutOf(sheet).pages.size());
}

QByteArray checkSheetPdf(const CheckSheet& sheet)
{
    const Layout layout = layoutOf(sheet);
    return paperPdf(kCheckSheetTitle, static_cast<int>(layout.pages.size()),
                    [&](PaperPainter& paper, int page) { paintPage(paper, sheet, layout, page); });
}

QImage checkSheetPageImage(const CheckSheet& sheet, int page, double dpi)
{
    // The page's coordinates are PaperPainter's dots; the image's own resolution
    // is theirs too, so that the fonts keep their size, and the painter scales down.
    const double scale = dpi / PaperPainter::kResolution;
    QImage image(QSize(static_cast<int>(210 / 25.4 * dpi), static_cast<int>(297 / 25.4 * dpi)), QImage::Format_RGB32);
    const int dotsPerMetre = static_cast<int>(std::lround(PaperPainter::kResolution / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    const Layout layout = layoutOf(sheet);
    if (page < 0 || page >= static_cast<int>(layout.pages.size()))
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.setPen(QPen(Qt::black, PaperPainter::dots(0.2)));
    PaperPainter paper(painter);
    paintPage(paper, sheet, layout, page);
    return image;
}

} // namespace classdiv
