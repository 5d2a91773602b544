#include "ui/ChartView.h"

#include "common/Numbers.h"
#include "ui/Layout.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace classdiv {

namespace {

const QColor kText(0x33, 0x33, 0x33);
const QColor kAxis(0x99, 0x99, 0x99);
const QColor kGrid(0xe4, 0xe4, 0xe4);
const QColor kBoxFill(0x20, 0x9f, 0xdf);
const QColor kBoxLine(0x40, 0x40, 0x40);
const QColor kAverage(0xb2, 0x18, 0x2b);

// Values of the mixing column, one colour each; further values take the same
// hues lighter, then darker.
const std::array<QColor, 8> kMixColours{QColor(0x20, 0x9f, 0xdf), QColor(0x99, 0xca, 0x53), QColor(0xf6, 0xa6, 0x25),
                                        QColor(0x6d, 0x5f, 0xd5), QColor(0xbf, 0x59, 0x3e), QColor(0x77, 0xc6, 0xe8),
                                        QColor(0x8c, 0x8c, 0x8c), QColor(0xe3, 0x7e, 0xb8)};

QColor mixColour(size_t index)
{
    const QColor base = kMixColours[index % kMixColours.size()];
    switch (index / kMixColours.size() % 3) {
    case 1: return base.lighter(135);
    case 2: return base.darker(135);
    default: return base;
    }
}

constexpr double kGap = 14;       // around and between the panels
constexpr double kPadding = 12;   // inside a panel
constexpr double kBarShare = 0.6; // of a class's row that its bar fills
constexpr int kMostIntervals = 7; // grid lines of an axis

QFont chartFont(double pointSize) { return layoutFont(kFontPGothic, pointSize); }

// An axis from low to high in round steps (1, 2 or 5 times a power of ten),
// as few as give at most kMostIntervals intervals.
struct Scale {
    double low = 0;
    double high = 1;
    double step = 1;
};

Scale niceScale(double low, double high)
{
    if (!(high > low))
        high = low + 1;
    const double power = std::pow(10.0, std::floor(std::log10((high - low) / kMostIntervals)));
    for (double factor : {1.0, 2.0, 5.0, 10.0, 20.0}) {
        const double step = power * factor;
        const Scale scale{std::floor(low / step) * step, std::ceil(high / step) * step, step};
        if ((scale.high - scale.low) / step <= kMostIntervals + 1e-9)
            return scale;
    }
    return {low, high, high - low};
}

std::vector<double> ticks(const Scale& scale)
{
    std::vector<double> values;
    for (int i = 0; scale.low + i * scale.step <= scale.high + scale.step * 1e-9; ++i)
        values.push_back(scale.low + i * scale.step);
    return values;
}

QString tickText(double value) { return QString::number(value, 'g', 10); }

// The widest tick label of a vertical value axis.
double tickWidthOf(const Scale& scale, const QFontMetricsF& metrics)
{
    double width = 0;
    for (double v : ticks(scale))
        width = std::max(width, metrics.horizontalAdvance(tickText(v)));
    return width;
}

// The grid lines of a vertical value axis and their labels, right-aligned left of the plot.
template <typename ToY>
void drawValueTicks(QPainter& painter, const QRectF& plot, const Scale& scale, double tickWidth,
                    const QFontMetricsF& metrics, ToY y)
{
    for (double v : ticks(scale)) {
        painter.setPen(QPen(v == scale.low ? kAxis : kGrid, 1));
        painter.drawLine(QPointF(plot.left(), y(v)), QPointF(plot.right(), y(v)));
        painter.setPen(kText);
        painter.drawText(QRectF(plot.left() - 6 - tickWidth, y(v) - metrics.height() / 2, tickWidth, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, tickText(v));
    }
}

// A white card with its title; returns the room left inside it.
QRectF drawPanel(QPainter& painter, const QRectF& panel, const QString& title)
{
    painter.setPen(QPen(QColor(0xd8, 0xd8, 0xd8), 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(panel, 6, 6);
    painter.setFont(chartFont(11));
    painter.setPen(kText);
    const double height = QFontMetricsF(painter.font()).height();
    painter.drawText(QRectF(panel.left(), panel.top() + kPadding, panel.width(), height), Qt::AlignCenter, title);
    return panel.adjusted(kPadding, kPadding + height + 10, -kPadding, -kPadding);
}

struct LegendItem {
    QString text;
    QColor colour;
    bool dashedLine = false; // a line instead of a filled square
};

double legendItemWidth(const QFontMetricsF& metrics, const LegendItem& item)
{
    return metrics.height() + 6 + metrics.horizontalAdvance(item.text);
}

void drawLegendItem(QPainter& painter, const QPointF& topLeft, const LegendItem& item)
{
    const double size = QFontMetricsF(painter.font()).height();
    const QRectF swatch(topLeft.x() + size * 0.15, topLeft.y() + size * 0.15, size * 0.7, size * 0.7);
    if (item.dashedLine) {
        painter.setPen(QPen(item.colour, 2, Qt::DashLine));
        painter.drawLine(QPointF(topLeft.x(), swatch.center().y()), QPointF(topLeft.x() + size, swatch.center().y()));
    } else {
        painter.setPen(QPen(item.colour.darker(130), 1));
        painter.setBrush(item.colour);
        painter.drawRect(swatch);
    }
    painter.setPen(kText);
    painter.drawText(QRectF(topLeft.x() + size + 6, topLeft.y(), 10000, size), Qt::AlignLeft | Qt::AlignVCenter,
                     item.text);
}

// Items in centred rows at the bottom of `area`; returns the room above them.
QRectF drawLegendBelow(QPainter& painter, const QRectF& area, const std::vector<LegendItem>& items)
{
    const QFontMetricsF metrics(painter.font());
    const double gap = metrics.height() * 1.2;
    std::vector<std::vector<const LegendItem*>> rows(1);
    double width = 0;
    for (const LegendItem& item : items) {
        const double w = legendItemWidth(metrics, item);
        if (!rows.back().empty() && width + gap + w > area.width()) {
            rows.emplace_back();
            width = 0;
        }
        width += (rows.back().empty() ? 0 : gap) + w;
        rows.back().push_back(&item);
    }
    double y = area.bottom() - rows.size() * metrics.height();
    const double top = y - 8;
    for (const auto& row : rows) {
        double rowWidth = 0;
        for (const LegendItem* item : row)
            rowWidth += legendItemWidth(metrics, *item) + gap;
        double x = area.center().x() - (rowWidth - gap) / 2;
        for (const LegendItem* item : row) {
            drawLegendItem(painter, {x, y}, *item);
            x += legendItemWidth(metrics, *item) + gap;
        }
        y += metrics.height();
    }
    return QRectF(area.left(), area.top(), area.width(), top - area.top());
}

// Horizontal stacked bars, one a class with １組 at the top as in the table's
// rows, the sets from left to right over a count axis from 0; each part
// carries its count where it fits.
void drawClassBars(QPainter& painter, const QRectF& area, const YearSummary& year, const std::vector<LegendItem>& sets,
                   const std::function<int(const ClassSummary&, size_t)>& count)
{
    painter.setFont(chartFont(9));
    const QFontMetricsF metrics(painter.font());
    int most = 1;
    double labelWidth = 0;
    for (const ClassSummary& c : year.classes) {
        int total = 0;
        for (size_t s = 0; s < sets.size(); ++s)
            total += count(c, s);
        most = std::max(most, total);
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(c.label));
    }
    const Scale scale = niceScale(0, most);
    const QRectF plot = area.adjusted(labelWidth + 8, 0, -metrics.horizontalAdvance(tickText(scale.high)) / 2,
                                      -(2 * metrics.height() + 10));
    const auto x = [&](double v) { return plot.left() + (v - scale.low) / (scale.high - scale.low) * plot.width(); };

    for (double v : ticks(scale)) {
        painter.setPen(QPen(v == scale.low ? kAxis : kGrid, 1));
        painter.drawLine(QPointF(x(v), plot.top()), QPointF(x(v), plot.bottom()));
        painter.setPen(kText);
        painter.drawText(QRectF(x(v) - 40, plot.bottom() + 3, 80, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         tickText(v));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + 7 + metrics.height(), plot.width(), metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("人数"));

    const double row = plot.height() / static_cast<double>(std::max<size_t>(year.classes.size(), 1));
    const double barHeight = row * kBarShare;
    for (size_t k = 0; k < year.classes.size(); ++k) {
        const ClassSummary& c = year.classes[k];
        const double top = plot.top() + k * row + (row - barHeight) / 2;
        painter.setPen(kText);
        painter.drawText(QRectF(area.left(), top, labelWidth, barHeight), Qt::AlignRight | Qt::AlignVCenter, c.label);
        int sum = 0;
        for (size_t s = 0; s < sets.size(); ++s) {
            const int n = count(c, s);
            if (n == 0)
                continue;
            const QRectF part(QPointF(x(sum), top), QPointF(x(sum + n), top + barHeight));
            sum += n;
            painter.setPen(QPen(sets[s].colour.darker(130), 1));
            painter.setBrush(sets[s].colour);
            painter.drawRect(part);
            const QString text = QString::number(n);
            if (part.width() >= metrics.horizontalAdvance(text) + 4 && part.height() >= metrics.height() - 2) {
                painter.setPen(sets[s].colour.lightness() < 150 ? Qt::white : kText);
                painter.drawText(part, Qt::AlignCenter, text);
            }
        }
    }
}

} // namespace

QColor bandColour(int stratum)
{
    static const std::array<QColor, 7> colours{QColor(),
                                               QColor(0x21, 0x66, 0xac), QColor(0x67, 0xa9, 0xcf),
                                               QColor(0xd1, 0xe5, 0xf0), QColor(0xfd, 0xdb, 0xc7),
                                               QColor(0xef, 0x8a, 0x62), QColor(0xb2, 0x18, 0x2b)};
    return colours.at(static_cast<size_t>(stratum));
}

ChartView::ChartView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartView::setYear(YearSummary year, std::optional<double> mixingDeviation)
{
    m_year = std::move(year);
    m_mixingDeviation = mixingDeviation;
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
    const QRectF all = QRectF(rect()).adjusted(kGap, kGap, -kGap, -kGap);
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
    paintBoxPlot(painter, QRectF(all.left(), all.top(), half, rowHeight));
    paintBands(painter, QRectF(all.left() + half + kGap, all.top(), half, rowHeight));
    double top = all.top() + rowHeight + kGap;
    if (mixing) {
        paintMixing(painter, QRectF(all.left(), top, all.width(), rowHeight * mixingShare));
        top += rowHeight * mixingShare + kGap;
    }
    const double width = (all.width() - kGap * (static_cast<double>(m_extras.size()) - 1)) / std::max<size_t>(m_extras.size(), 1);
    for (size_t k = 0; k < m_extras.size(); ++k)
        paintExtraScore(painter, QRectF(all.left() + k * (width + kGap), top, width, rowHeight * extraShare),
                        m_extras[k]);
}

void ChartView::setExtraScores(std::vector<ColumnAverages> extras)
{
    m_extras = std::move(extras);
    update();
}

// A dot at every class's average of the column, and the year's average as a line.
void ChartView::paintExtraScore(QPainter& painter, const QRectF& panel, const ColumnAverages& column) const
{
    QRectF area = drawPanel(painter, panel, QStringLiteral("%1 (クラスの平均)").arg(column.name));
    painter.setFont(chartFont(9));
    const QFontMetricsF metrics(painter.font());
    // One decimal more than the class lists show: a 50 m time's classes differ by hundredths.
    const QString yearText = column.yearAverage ? QString::number(*column.yearAverage, 'f', 2) : QStringLiteral("－");
    area = drawLegendBelow(painter, area, {{QStringLiteral("クラスの平均"), kBoxFill},
                                           {QStringLiteral("学年平均 %1").arg(yearText), kAverage, true}});
    double low = column.yearAverage.value_or(0), high = low;
    for (const ClassSummary& c : m_year.classes)
        if (c.classNumber < static_cast<int>(column.classAverage.size()) && column.classAverage[c.classNumber]) {
            low = std::min(low, *column.classAverage[c.classNumber]);
            high = std::max(high, *column.classAverage[c.classNumber]);
        }
    const double margin = std::max((high - low) * 0.25, std::abs(high) * 0.01 + 0.05);
    const Scale scale = niceScale(low - margin, high + margin);
    const double tickWidth = tickWidthOf(scale, metrics);
    const QRectF plot = area.adjusted(tickWidth + 8, metrics.height() / 2, -4, -(metrics.height() + 6));
    const auto y = [&](double v) { return plot.bottom() - (v - scale.low) / (scale.high - scale.low) * plot.height(); };
    drawValueTicks(painter, plot, scale, tickWidth, metrics, y);
    const double slot = plot.width() / static_cast<double>(std::max<size_t>(m_year.classes.size(), 1));
    for (size_t k = 0; k < m_year.classes.size(); ++k) {
        const ClassSummary& c = m_year.classes[k];
        const double centre = plot.left() + (k + 0.5) * slot;
        painter.setPen(kText);
        painter.drawText(QRectF(centre - slot / 2, plot.bottom() + 4, slot, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, c.label);
        if (c.classNumber >= static_cast<int>(column.classAverage.size()) || !column.classAverage[c.classNumber])
            continue;
        painter.setPen(QPen(kBoxLine, 1));
        painter.setBrush(kBoxFill);
        painter.drawEllipse(QPointF(centre, y(*column.classAverage[c.classNumber])), 5, 5);
    }
    if (column.yearAverage) {
        painter.setPen(QPen(kAverage, 2, Qt::DashLine));
        painter.drawLine(QPointF(plot.left(), y(*column.yearAverage)), QPointF(plot.right(), y(*column.yearAverage)));
    }
}

void ChartView::paintBoxPlot(QPainter& painter, const QRectF& panel) const
{
    QRectF area = drawPanel(painter, panel, QStringLiteral("クラスごとの得点 (箱ひげ図)"));
    painter.setFont(chartFont(9));
    const QFontMetricsF metrics(painter.font());
    area = drawLegendBelow(painter, area,
                           {{QStringLiteral("得点 (最低・25%・中央・75%・最高)"), kBoxFill},
                            {QStringLiteral("学年平均 %1点").arg(printNumber(m_year.overallAverage, 7).trimmed()),
                             kAverage, true}});

    double low = m_year.overallAverage, high = m_year.overallAverage;
    for (const ClassSummary& c : m_year.classes) {
        low = std::min(low, c.box.lowest);
        high = std::max(high, c.box.highest);
    }
    const Scale scale = niceScale(std::floor(low) - 1, std::ceil(high) + 1);
    const double tickWidth = tickWidthOf(scale, metrics);
    const QRectF plot = area.adjusted(metrics.height() + 6 + tickWidth + 6, metrics.height() / 2, -4,
                                      -(metrics.height() + 6));
    const auto y = [&](double v) { return plot.bottom() - (v - scale.low) / (scale.high - scale.low) * plot.height(); };

    // The axis title, turned to read upwards.
    painter.save();
    painter.translate(area.left(), plot.center().y());
    painter.rotate(-90);
    painter.setPen(kText);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), metrics.height()), Qt::AlignCenter,
                     QStringLiteral("得点"));
    painter.restore();

    drawValueTicks(painter, plot, scale, tickWidth, metrics, y);
    const double slot = plot.width() / static_cast<double>(m_year.classes.size());
    painter.setPen(QPen(kAxis, 1));
    painter.drawLine(plot.topLeft(), plot.bottomLeft());
    for (size_t k = 1; k < m_year.classes.size(); ++k) {
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(plot.left() + k * slot, plot.top()), QPointF(plot.left() + k * slot, plot.bottom()));
    }

    const double boxWidth = std::min(slot * 0.5, 70.0);
    for (size_t k = 0; k < m_year.classes.size(); ++k) {
        const ClassSummary& c = m_year.classes[k];
        const double centre = plot.left() + (k + 0.5) * slot;
        painter.setPen(QPen(kBoxLine, 1.5));
        painter.drawLine(QPointF(centre, y(c.box.lowest)), QPointF(centre, y(c.box.lowerQuartile)));
        painter.drawLine(QPointF(centre, y(c.box.upperQuartile)), QPointF(centre, y(c.box.highest)));
        for (double end : {c.box.lowest, c.box.highest})
            painter.drawLine(QPointF(centre - boxWidth * 0.3, y(end)), QPointF(centre + boxWidth * 0.3, y(end)));
        painter.setBrush(kBoxFill);
        painter.drawRect(QRectF(QPointF(centre - boxWidth / 2, y(c.box.upperQuartile)),
                                QPointF(centre + boxWidth / 2, y(c.box.lowerQuartile))));
        painter.setPen(QPen(kBoxLine, 2));
        painter.drawLine(QPointF(centre - boxWidth / 2, y(c.box.median)), QPointF(centre + boxWidth / 2, y(c.box.median)));
        painter.setPen(kText);
        painter.drawText(QRectF(centre - slot / 2, plot.bottom() + 4, slot, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, c.label);
    }
    painter.setPen(QPen(kAverage, 2, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), y(m_year.overallAverage)), QPointF(plot.right(), y(m_year.overallAverage)));
}

void ChartView::paintBands(QPainter& painter, const QRectF& panel) const
{
    const QRectF area = drawPanel(painter, panel, QStringLiteral("層ごとの人数 (分布表の層)"));
    std::vector<LegendItem> bands;
    for (int s = 1; s <= 6; ++s)
        bands.push_back({m_year.bandLabels[s], bandColour(s)});

    // The legend to the right, top band first, as the table lists them.
    painter.setFont(chartFont(9));
    const QFontMetricsF metrics(painter.font());
    double legendWidth = 0;
    for (const LegendItem& item : bands)
        legendWidth = std::max(legendWidth, legendItemWidth(metrics, item));
    const double lineHeight = metrics.height() * 1.4;
    double top = area.center().y() - lineHeight * bands.size() / 2;
    for (const LegendItem& item : bands) {
        drawLegendItem(painter, {area.right() - legendWidth, top}, item);
        top += lineHeight;
    }
    drawClassBars(painter, area.adjusted(0, 0, -(legendWidth + 16), 0), m_year, bands,
                  [](const ClassSummary& c, size_t s) { return c.bandCounts[s + 1]; });
}

void ChartView::paintMixing(QPainter& painter, const QRectF& panel) const
{
    QRectF area = drawPanel(painter, panel, QStringLiteral("元のクラスの混ざり方"));
    if (m_mixingDeviation) {
        painter.setFont(chartFont(10));
        const double height = QFontMetricsF(painter.font()).height();
        painter.setPen(kText);
        painter.drawText(QRectF(area.left(), area.bottom() - height, area.width(), height), Qt::AlignLeft,
                         QStringLiteral("公平な割り当てからの最大のずれ: %1人").arg(QString::number(*m_mixingDeviation, 'f', 1)));
        area.setBottom(area.bottom() - height - 6);
    }
    std::vector<LegendItem> values;
    for (int v = 0; v < m_year.mixValues.size(); ++v)
        values.push_back({m_year.mixValues[v], mixColour(static_cast<size_t>(v))});
    painter.setFont(chartFont(9));
    area = drawLegendBelow(painter, area, values);
    drawClassBars(painter, area, m_year, values,
                  [](const ClassSummary& c, size_t v) { return v < c.mixCounts.size() ? c.mixCounts[v] : 0; });
}

} // namespace classdiv
