#pragma once
// The panels of 成績分布グラフ, each painted into its rectangle from the
// figures of one draw: the box plot of every class's scores with the year's
// average, the counts in the score bands, the counts of the mixing column's
// values with the largest deviation from a fair share, and one extra score
// column's class averages.

#include "division/lists/ClassSummary.h"
#include "division/lists/ScoreAverages.h"
#include "ui/ChartDrawing.h"

#include <QColor>
#include <QRectF>

#include <optional>

class QPainter;

namespace classdiv {

// Each class's place is added to `places` (ui/ChartDrawing.h).
void paintBoxPlotPanel(QPainter& painter, const QRectF& panel, const YearSummary& year, charts::ClassSlots& places);
void paintBandsPanel(QPainter& painter, const QRectF& panel, const YearSummary& year, charts::ClassSlots& places);
void paintMixingPanel(QPainter& painter, const QRectF& panel, const YearSummary& year,
                      std::optional<double> mixingDeviation, charts::ClassSlots& places);
// A dot at every class's average of the column, and the year's average as a line.
void paintExtraScorePanel(QPainter& painter, const QRectF& panel, const YearSummary& year,
                          const ColumnAverages& column);

// From the top band to the bottom one (index 1 .. kBandCount): blues above
// the average, reds below, as the distribution table's bands.
QColor bandColour(int stratum);

// The lowest and the highest score of every class and the year's average:
// the box plot's axis reaches from the one to the other.
std::pair<double, double> scoreRange(const YearSummary& year);

} // namespace classdiv
