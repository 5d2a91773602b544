#pragma once
// The drawing kit of 成績分布グラフ's panels: colours, a white card with its
// title, value axes in round steps, legends and stacked class bars. Each
// panel (ChartPanels.h) is drawn with these.

#include "division/lists/ClassSummary.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>
#include <QRegion>
#include <QString>

#include <functional>
#include <map>
#include <vector>

namespace classdiv::charts {

inline const QColor kText(0x33, 0x33, 0x33);
inline const QColor kAxis(0x99, 0x99, 0x99);
inline const QColor kGrid(0xe4, 0xe4, 0xe4);
inline const QColor kBoxFill(0x20, 0x9f, 0xdf);
inline const QColor kBoxLine(0x40, 0x40, 0x40);
inline const QColor kAverage(0xb2, 0x18, 0x2b);

inline constexpr double kGap = 14;       // around and between the panels
inline constexpr double kPadding = 12;   // inside a panel
inline constexpr double kBarShare = 0.6; // of a class's row that its bar fills
inline constexpr int kMostIntervals = 7; // grid lines of an axis

QFont chartFont(double pointSize);

// Where each class is drawn, by class number: the panels add to it as they
// paint, and a hand swap that leaves the axes as they were repaints only the
// moved classes' places.
using ClassSlots = std::map<int, QRegion>;
// The rectangle's whole pixels and those its antialiased edges touch.
void addSlot(ClassSlots& places, int classNumber, const QRectF& rect);
// Whether anything drawn into `rect` can show: painting that only repaints
// some places leaves out the text drawn elsewhere, which costs the most.
bool showsIn(const QPainter& painter, const QRectF& rect);

// An axis from low to high in round steps (1, 2 or 5 times a power of ten),
// as few as give at most kMostIntervals intervals.
struct Scale {
    double low = 0;
    double high = 1;
    double step = 1;
};
Scale niceScale(double low, double high);
std::vector<double> ticks(const Scale& scale);
QString tickText(double value);
// The widest tick label of a vertical value axis.
double tickWidthOf(const Scale& scale, const QFontMetricsF& metrics);

// The grid lines of a vertical value axis and their labels, right-aligned left of the plot.
template <typename ToY>
void drawValueTicks(QPainter& painter, const QRectF& plot, const Scale& scale, double tickWidth,
                    const QFontMetricsF& metrics, ToY y)
{
    for (double v : ticks(scale)) {
        painter.setPen(QPen(v == scale.low ? kAxis : kGrid, 1));
        painter.drawLine(QPointF(plot.left(), y(v)), QPointF(plot.right(), y(v)));
        painter.setPen(kText);
        const QRectF text(plot.left() - 6 - tickWidth, y(v) - metrics.height() / 2, tickWidth, metrics.height());
        if (showsIn(painter, text))
            painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter, tickText(v));
    }
}

// A white card with its title; returns the room left inside it.
QRectF drawPanel(QPainter& painter, const QRectF& panel, const QString& title);

struct LegendItem {
    QString text;
    QColor colour;
    bool dashedLine = false; // a line instead of a filled square
};
double legendItemWidth(const QFontMetricsF& metrics, const LegendItem& item);
void drawLegendItem(QPainter& painter, const QPointF& topLeft, const LegendItem& item);
// Items in centred rows at the bottom of `area`; returns the room above them.
QRectF drawLegendBelow(QPainter& painter, const QRectF& area, const std::vector<LegendItem>& items);

// Horizontal stacked bars, one a class with １組 at the top as in the table's
// rows, the sets from left to right over a count axis from 0; each part
// carries its count where it fits.
void drawClassBars(QPainter& painter, const QRectF& area, const YearSummary& year, const std::vector<LegendItem>& sets,
                   const std::function<int(const ClassSummary&, size_t)>& count, ClassSlots& places);

} // namespace classdiv::charts
