#include "ui/ChartDrawing.h"

#include "ui/Layout.h"

#include <algorithm>
#include <cmath>

namespace classdiv::charts {

QFont chartFont(double pointSize) { return layoutFont(kFontPGothic, pointSize); }

void addSlot(ClassSlots& places, int classNumber, const QRectF& rect)
{
    places[classNumber] += rect.toAlignedRect().adjusted(-2, -2, 2, 2);
}

bool showsIn(const QPainter& painter, const QRectF& rect)
{
    return !painter.hasClipping() || painter.clipRegion().intersects(rect.toAlignedRect());
}

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

double tickWidthOf(const Scale& scale, const QFontMetricsF& metrics)
{
    double width = 0;
    for (double v : ticks(scale))
        width = std::max(width, metrics.horizontalAdvance(tickText(v)));
    return width;
}

QRectF drawPanel(QPainter& painter, const QRectF& panel, const QString& title)
{
    painter.setPen(QPen(QColor(0xd8, 0xd8, 0xd8), 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(panel, 6, 6);
    painter.setFont(chartFont(11));
    painter.setPen(kText);
    const double height = QFontMetricsF(painter.font()).height();
    if (const QRectF line(panel.left(), panel.top() + kPadding, panel.width(), height); showsIn(painter, line))
        painter.drawText(line, Qt::AlignCenter, title);
    return panel.adjusted(kPadding, kPadding + height + 10, -kPadding, -kPadding);
}

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
    if (const QRectF text(topLeft.x() + size + 6, topLeft.y(), 10000, size); showsIn(painter, text))
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, item.text);
}

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

void drawClassBars(QPainter& painter, const QRectF& area, const YearSummary& year, const std::vector<LegendItem>& sets,
                   const std::function<int(const ClassSummary&, size_t)>& count, ClassSlots& places)
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
        if (const QRectF text(x(v) - 40, plot.bottom() + 3, 80, metrics.height()); showsIn(painter, text))
            painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop, tickText(v));
    }
    if (const QRectF title(plot.left(), plot.bottom() + 7 + metrics.height(), plot.width(), metrics.height());
        showsIn(painter, title))
        painter.drawText(title, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("人数"));

    const double row = plot.height() / static_cast<double>(std::max<size_t>(year.classes.size(), 1));
    const double barHeight = row * kBarShare;
    for (size_t k = 0; k < year.classes.size(); ++k) {
        const ClassSummary& c = year.classes[k];
        const double top = plot.top() + k * row + (row - barHeight) / 2;
        addSlot(places, c.classNumber, QRectF(QPointF(plot.left(), top), QPointF(plot.right(), top + barHeight)));
        painter.setPen(kText);
        if (showsIn(painter, QRectF(area.left(), top, labelWidth, barHeight)))
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
            if (showsIn(painter, part) && part.width() >= metrics.horizontalAdvance(text) + 4 &&
                part.height() >= metrics.height() - 2) {
                painter.setPen(sets[s].colour.lightness() < 150 ? Qt::white : kText);
                painter.drawText(part, Qt::AlignCenter, text);
            }
        }
    }
}

} // namespace classdiv::charts
