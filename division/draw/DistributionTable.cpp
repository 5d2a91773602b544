#include "division/draw/DistributionTable.h"

#include "common/Numbers.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace classdiv {

namespace {

constexpr int kClassRows = 10;
constexpr int kWholeRow = 11;

// The running sums and the boundary points are stored in 32 and 16 bits; a
// press refuses scores that could leave them, so clamping only guards direct
// callers with absurd scores from undefined conversions.
template <typename Int>
Int clampedWhole(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    if (r > std::numeric_limits<Int>::max())
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(r);
}

// Scores of a year lie within a few hundred points: counting them is far
// quicker than comparing, with the same result.
void sortDescending(int16_t* values, int n)
{
    if (n < 2)
        return;
    const auto [low, high] = std::minmax_element(values, values + n);
    const int lowest = *low;
    const int range = *high - lowest + 1;
    if (range > 4096) {
        std::sort(values, values + n, std::greater<>());
        return;
    }
    std::array<int16_t, 4096> counts{};
    for (int i = 0; i < n; ++i)
        ++counts[values[i] - lowest];
    int at = 0;
    for (int v = range - 1; v >= 0; --v) {
        for (int c = counts[v]; c > 0; --c)
            values[at++] = static_cast<int16_t>(v + lowest);
    }
}

const std::array<QString, 12>& classLabelTexts()
{
    static const std::array<QString, 12> labels{
        QString(),
        QStringLiteral("１組"), QStringLiteral("２組"), QStringLiteral("３組"), QStringLiteral("４組"),
        QStringLiteral("５組"), QStringLiteral("６組"), QStringLiteral("７組"), QStringLiteral("８組"),
        QStringLiteral("９組"), QStringLiteral("10組"), QStringLiteral("全体")};
    return labels;
}

} // namespace

// Every stratum on its own: boundary points out of order may count a score
// twice or not at all, and the table shows exactly that.
std::array<bool, kBandCount + 1> strataOfScore(double s, const ScoreBands& bands)
{
    const auto& b = bands.boundaryPoints;
    return {false,
            s >= b[1],
            b[2] <= s && s < b[1],
            b[3] <= s && s < b[2],
            b[4] <= s && s < b[3],
            b[5] <= s && s < b[4],
            s < b[5]};
}

int bandOfScore(double s, const ScoreBands& bands)
{
    const std::array<bool, kBandCount + 1> in = strataOfScore(s, bands);
    int band = 1;
    while (band < kBandCount && !in[band])
        ++band;
    return band;
}

QString stratumText(int stratum, const ScoreBands& bands)
{
    const auto& b = bands.boundaryPoints;
    if (stratum <= 1)
        return QStringLiteral("%1点以上").arg(b[1]);
    if (stratum >= kBandCount)
        return QStringLiteral("%1点未満").arg(b[5]);
    return QStringLiteral("%1点以上%2点未満").arg(b[stratum]).arg(b[stratum - 1]);
}

ScoreBands scoreBands(const Students& students)
{
    ScoreBands bands;
    const int n = students.count();
    const bool whole = students.wholeScores;

    // Overall average: every running sum is rounded, not only the last.
    if (whole) {
        int32_t total = 0;
        for (int e = 1; e <= n; ++e)
            total += static_cast<int32_t>(students[e].score);
        bands.scoreTotal = total;
    } else {
        double total = 0;
        for (int e = 1; e <= n; ++e)
            total = clampedWhole<int32_t>(total + students[e].score);
        bands.scoreTotal = static_cast<int32_t>(total);
    }
    bands.overallAverage =
        n > 0 ? roundOneDecimal(static_cast<float>(static_cast<double>(bands.scoreTotal) / n)) : 0.0f;

    // Sorted scores. The selection of the original order yields the plain
    // descending order of the numbers, which a sort gives in n log n.
    for (int r = 1; r <= n; ++r)
        bands.sortedScores[r] = whole ? static_cast<int16_t>(students[r].score) : clampedWhole<int16_t>(students[r].score);
    sortDescending(bands.sortedScores.data() + 1, n);

    // Boundary points.
    bands.topTenthRank = static_cast<int16_t>(roundHalfEven(static_cast<double>(n) * 0.1));
    const int b1 = bands.sortedScores[bands.topTenthRank];
    const int b3 = static_cast<int>(std::floor(bands.overallAverage));
    const int b2 = static_cast<int>(std::floor((b1 + b3) / 2.0));
    const int b4 = b3 - (b2 - b3);
    const int b5 = bands.sortedScores[n - bands.topTenthRank];
    bands.boundaryPoints[1] = clampedWhole<int16_t>(b1);
    bands.boundaryPoints[2] = clampedWhole<int16_t>(b2);
    bands.boundaryPoints[3] = clampedWhole<int16_t>(b3);
    bands.boundaryPoints[4] = clampedWhole<int16_t>(b4);
    bands.boundaryPoints[5] = clampedWhole<int16_t>(b5);
    return bands;
}

namespace {

// The class averages of the class totals and head counts, and their differences from the year's.
void fillClassAverages(DistributionTable& distribution)
{
    for (int k = 1; k <= kClassRows; ++k) {
        if (distribution.classHeadCount[k] == 0)
            continue; // the difference of the last fill with students stays
        distribution.classAverage[k] = roundOneDecimal(static_cast<float>(
            static_cast<double>(distribution.classScoreTotal[k]) / distribution.classHeadCount[k]));
        distribution.classAverageDifference[k] =
            roundOneDecimal(distribution.classAverage[k] - distribution.overallAverage);
    }
}

// Labels and headings.
void fillHeadings(const ScoreBands& bands, DistributionTable& distribution)
{
    distribution.classLabels = classLabelTexts();
    for (int k = 1; k <= 5; ++k)
        distribution.columnHeadings[k] = QString::number(bands.boundaryPoints[k]) + u'点';
    distribution.columnHeadings[6] = QStringLiteral("人数");
    distribution.columnHeadings[7] = QStringLiteral("平均");
    distribution.columnHeadings[8] = QStringLiteral("平均差");
}

} // namespace

void fillDistributionTable(const Students& students, const ScoreBands& bands, const std::vector<int16_t>& classes,
                           DistributionTable& distribution)
{
    const int n = students.count();
    const bool whole = students.wholeScores;
    distribution.bands = bands;
    distribution.scoreTotal = bands.scoreTotal;
    distribution.overallAverage = bands.overallAverage;

    // The table has rows for the classes 1 .. 10 only; row 0 gathers the rest.
    const auto rowOf = [&](int e) {
        const int k = classAt(classes, e);
        return k >= 1 && k <= kClassRows ? k : 0;
    };

    // Class averages. One scan in file order gives each class the same
    // sequence of running sums as a scan per class would.
    for (int k = 1; k <= kClassRows; ++k) {
        distribution.classScoreTotal[k] = 0;
        distribution.classAverage[k] = 0;
        distribution.classHeadCount[k] = 0;
    }
    std::array<std::array<int, kBandCount + 1>, kWholeRow + 1> counts{};
    for (int e = 1; e <= n; ++e) {
        const int k = rowOf(e);
        const double score = students[e].score;
        const auto in = strataOfScore(score, bands);
        for (int s = 1; s <= kBandCount; ++s)
            counts[k][s] += in[s];
        if (k == 0)
            continue;
        distribution.classScoreTotal[k] = whole ? distribution.classScoreTotal[k] + static_cast<int32_t>(score)
                                                : clampedWhole<int32_t>(double(distribution.classScoreTotal[k]) + score);
        ++distribution.classHeadCount[k];
    }
    fillClassAverages(distribution);

    // Stratum counts, and the whole year's row.
    for (int s = 1; s <= kBandCount; ++s) {
        for (int k = 1; k <= kClassRows; ++k)
            counts[kWholeRow][s] += counts[k][s];
    }
    for (auto& row : distribution.stratumCounts)
        row.fill(0);
    for (int k = 1; k <= kWholeRow; ++k) {
        for (int s = 1; s <= kBandCount; ++s)
            distribution.stratumCounts[k][s] = static_cast<int16_t>(counts[k][s]);
    }

    fillHeadings(bands, distribution);
}

std::vector<TableItem> distributionTableItems(const DistributionTable& distribution, int studentCount, bool hasDraw)
{
    std::vector<TableItem> items;
    if (!hasDraw)
        return items;
    items.reserve(9 + kWholeRow * 10);

    const auto count = [](double value) { return printNumber(value, 7); };
    const auto single = [](float value) { return printNumber(static_cast<double>(value), 7); };

    items.push_back({8, 4, QStringLiteral("境界点")});
    for (int k = 1; k <= 5; ++k)
        items.push_back({12.0 * k + 13, 4, distribution.columnHeadings[k]});
    for (int k = 6; k <= 8; ++k)
        items.push_back({14.0 * k + 8, 4, distribution.columnHeadings[k]});

    for (int r = 1; r <= kWholeRow; ++r) {
        const double y = 10.0 * r + 5;
        for (int s = 1; s <= kBandCount; ++s)
            items.push_back({12.0 * s + 8, y, count(distribution.stratumCounts[r][s])});
        if (r <= kClassRows) {
            items.push_back({92, y, count(distribution.classHeadCount[r])});
            items.push_back({105, y, single(distribution.classAverage[r])});
        } else {
            items.push_back({92, y, count(studentCount)});
            items.push_back({105, y, single(distribution.overallAverage)});
        }
        items.push_back({122, y, single(distribution.classAverageDifference[r])});
        items.push_back({5, y, distribution.classLabels[r]});
    }
    return items;
}

} // namespace classdiv
