#include "ui/ChartPanels.h"

#include "common/Numbers.h"
#include "division/draw/DistributionTable.h"
#include "ui/ChartDrawing.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace classdiv {

using namespace charts;

namespace {

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

} // namespace

QColor bandColour(int stratum)
{
    static const std::array<QColor, kBandCount + 1> colours{QColor(),
                                                            QColor(0x21, 0x66, 0xac), QColor(0x67, 0xa9, 0xcf),
                                                            QColor(0xd1, 0xe5, 0xf0), QColor(0xfd, 0xdb, 0xc7),
                                                            QColor(0xef, 0x8a, 0x62), QColor(0xb2, 0x18, 0x2b)};
    return colours.at(static_cast<size_t>(stratum));
}

std::pair<double, double> scoreRange(const YearSummary& year)
{
    double low = year.overallAverage, high = year.overallAverage;
    for (const ClassSummary& c : year.classes) {
        low = std::min(low, c.box.lowest);
        high = std::max(high, c.box.highest);
    }
    return {low, high};
}

void paintBoxPlotPanel(QPainter& painter, const QRectF& panel, const YearSummary& year, ClassSlots& places)
{
    QRectF area = drawPanel(painter, panel, QStringLiteral("クラスごとの得点 (箱ひげ図)"));
    painter.setFont(chartFont(9));
    const QFontMetricsF metrics(painter.font());
    area = drawLegendBelow(painter, area,
                           {{QStringLiteral("得点 (最低・25%・中央・75%・最高)"), kBoxFill},
                            {QStringLiteral("学年平均 %1点").arg(printNumber(year.overallAverage, 7).trimmed()),
                             kAverage, true}});

    const auto [low, high] = scoreRange(year);
    const Scale scale = niceScale(std::floor(low) - 1, std::ceil(high) + 1);
    const double tickWidth = tickWidthOf(scale, metrics);
    const QRectF plot = area.adjusted(metrics.height() + 6 + tickWidth + 6, metrics.height() / 2, -4,
                                      -(metrics.height() + 6));
    const auto y = [&](double v) { return plot.bottom() - (v - scale.low) / (scale.high - scale.low) * plot.height(); };

    // The axis title, turned to read upwards.
    if (showsIn(painter, QRectF(area.left(), plot.top(), metrics.height(), plot.height()))) {
        painter.save();
        painter.translate(area.left(), plot.center().y());
        painter.rotate(-90);
        painter.setPen(kText);
        painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), metrics.height()), Qt::AlignCenter,
                         QStringLiteral("得点"));
        painter.restore();
    }

    drawValueTicks(painter, plot, scale, tickWidth, metrics, y);
    const double slot = plot.width() / static_cast<double>(std::max<size_t>(year.classes.size(), 1));
    painter.setPen(QPen(kAxis, 1));
    painter.drawLine(plot.topLeft(), plot.bottomLeft());
    for (size_t k = 1; k < year.classes.size(); ++k) {
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(plot.left() + k * slot, plot.top()), QPointF(plot.left() + k * slot, plot.bottom()));
    }

    const double boxWidth = std::min(slot * 0.5, 70.0);
    for (size_t k = 0; k < year.classes.size(); ++k) {
        const ClassSummary& c = year.classes[k];
        const double centre = plot.left() + (k + 0.5) * slot;
        addSlot(places, c.classNumber, QRectF(plot.left() + k * slot, plot.top(), slot, plot.height()));
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
        if (const QRectF label(centre - slot / 2, plot.bottom() + 4, slot, metrics.height()); showsIn(painter, label))
            painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, c.label);
    }
    painter.setPen(QPen(kAverage, 2, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), y(year.overallAverage)), QPointF(plot.right(), y(year.overallAverage)));
}

void paintBandsPanel(QPainter& painter, const QRectF& panel, const YearSummary& year, ClassSlots& places)
{
    const QRectF area = drawPanel(painter, panel, QStringLiteral("層ごとの人数 (分布表の層)"));
    std::vector<LegendItem> bands;
    for (int s = 1; s <= kBandCount; ++s)
        bands.push_back({year.bandLabels[s], bandColour(s)});

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
    drawClassBars(painter, area.adjusted(0, 0, -(legendWidth + 16), 0), year, bands,
                  [](const ClassSummary& c, size_t s) { return c.bandCounts[s + 1]; }, places);
}

void paintMixingPanel(QPainter& painter, const QRectF& panel, const YearSummary& year,
                      std::optional<double> mixingDeviation, ClassSlots& places)
{
    QRectF area = drawPanel(painter, panel, QStringLiteral("元のクラスの混ざり方"));
    if (mixingDeviation) {
        painter.setFont(chartFont(10));
        const double height = QFontMetricsF(painter.font()).height();
        painter.setPen(kText);
        if (const QRectF line(area.left(), area.bottom() - height, area.width(), height); showsIn(painter, line))
            painter.drawText(line, Qt::AlignLeft,
                             QStringLiteral("公平な割り当てからの最大のずれ: %1人").arg(QString::number(*mixingDeviation, 'f', 1)));
        area.setBottom(area.bottom() - height - 6);
    }
    std::vector<LegendItem> values;
    for (int v = 0; v < year.mixValues.size(); ++v)
        values.push_back({year.mixValues[v], mixColour(static_cast<size_t>(v))});
    painter.setFont(chartFont(9));
    area = drawLegendBelow(painter, area, values);
    drawClassBars(painter, area, year, values,
                  [](const ClassSummary& c, size_t v) { return v < c.mixCounts.size() ? c.mixCounts[v] : 0; }, places);
}

void paintExtraScorePanel(QPainter& painter, const QRectF& panel, const YearSummary& year, const ColumnAverages& column)
{
    QRectF area = drawPanel(painter, panel, QStringLiteral("%1 (クラスの平均)").arg(column.name));
    painter.setFont(chartFont(9));
    const QFontMetricsF metrics(painter.font());
    // One decimal more than the class lists show: a 50 m time's classes differ by hundredths.
    const QString yearText = column.yearAverage ? QString::number(*column.yearAverage, 'f', 2) : QStringLiteral("－");
    area = drawLegendBelow(painter, area, {{QStringLiteral("クラスの平均"), kBoxFill},
                                           {QStringLiteral("学年平均 %1").arg(yearText), kAverage, true}});
    double low = column.yearAverage.value_or(0), high = low;
    for (const ClassSummary& c : year.classes)
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
    const double slot = plot.width() / static_cast<double>(std::max<size_t>(year.classes.size(), 1));
    for (size_t k = 0; k < year.classes.size(); ++k) {
        const ClassSummary& c = year.classes[k];
        const double centre = plot.left() + (k + 0.5) * slot;
        painter.setPen(kText);
        if (const QRectF label(centre - slot / 2, plot.bottom() + 4, slot, metrics.height()); showsIn(painter, label))
            painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, c.label);
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

} // namespace classdiv
