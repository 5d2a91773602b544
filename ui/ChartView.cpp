#include "ui/ChartView.h"

#include "ui/ChartDrawing.h"
#include "ui/Layout.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <numeric>

namespace classdiv {

using charts::kGap;

namespace {

bool sameAverages(const std::vector<ColumnAverages>& a, const std::vector<ColumnAverages>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ColumnAverages& x, const ColumnAverages& y) {
        return x.name == y.name && x.classAverage == y.classAverage && x.yearAverage == y.yearAverage;
    });
}

template <class Counts>
int total(const Counts& counts)
{
    return std::accumulate(std::begin(counts), std::end(counts), 0);
}

} // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartView::changedAll()
{
    m_asked = QRegion(rect());
    update();
}

void ChartView::setFlagNote(QString note)
{
    m_flagNote = std::move(note);
    changedAll();
}

void ChartView::setYear(YearSummary year, bool drawn, std::optional<double> mixingDeviation)
{
    m_year = std::move(year);
    m_drawn = drawn;
    m_mixingDeviation = mixingDeviation;
    changedAll();
}

void ChartView::setExtraScores(std::vector<ColumnAverages> extras)
{
    m_extras = std::move(extras);
    changedAll();
}

void ChartView::setSwapped(YearSummary year, std::optional<double> mixingDeviation, std::vector<ColumnAverages> extras,
                           QString flagNote, const std::set<int>& changed)
{
    bool partly = keepsFrame(year, changed) && mixingDeviation == m_mixingDeviation && sameAverages(extras, m_extras) &&
                  flagNote == m_flagNote;
    QRegion places;
    for (auto k = changed.begin(); partly && k != changed.end(); ++k) {
        const auto slot = m_slots.find(*k);
        partly = slot != m_slots.end();
        if (partly)
            places += slot->second;
    }
    m_year = std::move(year);
    m_drawn = true;
    m_mixingDeviation = mixingDeviation;
    m_extras = std::move(extras);
    m_flagNote = std::move(flagNote);
    if (!partly)
        return changedAll();
    m_asked = places;
    update(places);
}

bool ChartView::keepsFrame(const YearSummary& next, const std::set<int>& changed) const
{
    // The axes follow the range of the scores and the classes' head counts.
    if (!m_drawn || next.classes.size() != m_year.classes.size() || next.overallAverage != m_year.overallAverage ||
        next.bandLabels != m_year.bandLabels || next.mixValues != m_year.mixValues ||
        scoreRange(next) != scoreRange(m_year))
        return false;
    for (size_t k = 0; k < next.classes.size(); ++k) {
        const ClassSummary &now = next.classes[k], &was = m_year.classes[k];
        if (now.classNumber != was.classNumber || now.label != was.label || now.scores.size() != was.scores.size() ||
            total(now.bandCounts) != total(was.bandCounts) || total(now.mixCounts) != total(was.mixCounts))
            return false;
        if (!changed.count(now.classNumber) &&
            (now.scores != was.scores || now.bandCounts != was.bandCounts || now.mixCounts != was.mixCounts))
            return false;
    }
    return true;
}

void ChartView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // Painting some places only: what is drawn elsewhere is left out.
    if (event->region() != QRegion(rect()))
        painter.setClipRegion(event->region());
    m_slots.clear();
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
        if (const QRectF line(all.left(), all.bottom() - height, all.width(), height); charts::showsIn(painter, line))
            painter.drawText(line, Qt::AlignLeft, m_flagNote);
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
    paintBoxPlotPanel(painter, QRectF(all.left(), all.top(), half, rowHeight), m_year, m_slots);
    paintBandsPanel(painter, QRectF(all.left() + half + kGap, all.top(), half, rowHeight), m_year, m_slots);
    double top = all.top() + rowHeight + kGap;
    if (mixing) {
        paintMixingPanel(painter, QRectF(all.left(), top, all.width(), rowHeight * mixingShare), m_year,
                         m_mixingDeviation, m_slots);
        top += rowHeight * mixingShare + kGap;
    }
    const double width = (all.width() - kGap * (static_cast<double>(m_extras.size()) - 1)) / std::max<size_t>(m_extras.size(), 1);
    for (size_t k = 0; k < m_extras.size(); ++k)
        paintExtraScorePanel(painter, QRectF(all.left() + k * (width + kGap), top, width, rowHeight * extraShare),
                             m_year, m_extras[k]);
}

} // namespace classdiv
