#include "ui/ChartView.h"

#include "ui/ChartDrawing.h"
#include "ui/Layout.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace classdiv {

using charts::kGap;

ChartView::ChartView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartView::setFlagNote(QString note)
{
    m_flagNote = std::move(note);
    update();
}

void ChartView::setYear(YearSummary year, bool drawn, std::optional<double> mixingDeviation)
{
    m_year = std::move(year);
    m_drawn = drawn;
    m_mixingDeviation = mixingDeviation;
    update();
}

void ChartView::setExtraScores(std::vector<ColumnAverages> extras)
{
    m_extras = std::move(extras);
    update();
}

void ChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (isEmpty()) {
        painter.setFont(layoutFont(kFontPMincho, 12));
        painter.setPen(palette().windowText().color());
        painter.drawText(rect(), Qt::AlignCenter,
                         QStringLiteral("まだクラス分けをしていません。\n"
                                        "「分布表表示(何回もクリック)」を押すと、ここにクラスごとの成績分布が出ます。"));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF all = QRectF(rect()).adjusted(kGap, kGap, -kGap, -kGap);
    if (!m_flagNote.isEmpty()) {
        painter.setFont(charts::chartFont(10));
        const double height = QFontMetricsF(painter.font()).height();
        painter.setPen(charts::kText);
        painter.drawText(QRectF(all.left(), all.bottom() - height, all.width(), height), Qt::AlignLeft, m_flagNote);
        all.setBottom(all.bottom() - height - kGap);
    }
    const bool mixing = !m_year.mixValues.isEmpty();
    // Rows: the box plot and the bands, the mixing, the extra score columns.
    // With all three the mixing's bar a class takes room from the averages'
    // panels, which need only a dot a class.
    const bool extras = !m_extras.empty();
    const double mixingShare = mixing && extras ? 1.15 : 1.0, extraShare = mixing && extras ? 0.85 : 1.0;
    const double shares = 1 + (mixing ? mixingShare : 0) + (extras ? extraShare : 0);
    const int rows = 1 + (mixing ? 1 : 0) + (extras ? 1 : 0);
    const double rowHeight = (all.height() - kGap * (rows - 1)) / shares;
    const double half = (all.width() - kGap) / 2;
    paintBoxPlotPanel(painter, QRectF(all.left(), all.top(), half, rowHeight), m_year);
    paintBandsPanel(painter, QRectF(all.left() + half + kGap, all.top(), half, rowHeight), m_year);
    double top = all.top() + rowHeight + kGap;
    if (mixing) {
        paintMixingPanel(painter, QRectF(all.left(), top, all.width(), rowHeight * mixingShare), m_year,
                         m_mixingDeviation);
        top += rowHeight * mixingShare + kGap;
    }
    const double width = (all.width() - kGap * (static_cast<double>(m_extras.size()) - 1)) / std::max<size_t>(m_extras.size(), 1);
    for (size_t k = 0; k < m_extras.size(); ++k)
        paintExtraScorePanel(painter, QRectF(all.left() + k * (width + kGap), top, width, rowHeight * extraShare),
                             m_year, m_extras[k]);
}

} // namespace classdiv
