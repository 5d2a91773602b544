#include "export/RosterSheets.h"

#include "export/TextFit.h"

#include <algorithm>
#include <cmath>

namespace classdiv {

namespace {

constexpr double kCellPadding = 2.6;   // millimetres left and right of a cell's text together
constexpr double kNarrowest = 9;       // a column never narrower
constexpr double kWidest = 64;         // nor wider, before the line is shared out
constexpr double kMeasurePoints = 10.5; // the rows' largest size

// Each column as wide as its widest text, then all made wider or narrower alike to fill the line.
std::vector<double> columnWidths(const QStringList& headings, const std::vector<QStringList>& rows)
{
    std::vector<double> widths;
    for (int c = 0; c < headings.size(); ++c) {
        double ems = textEms(headings[c]);
        for (const QStringList& row : rows)
            if (c < row.size())
                ems = std::max(ems, textEms(row[c]));
        widths.push_back(std::clamp(ems * kMeasurePoints * kMillimetresPerPoint + kCellPadding, kNarrowest, kWidest));
    }
    double total = 0;
    for (double w : widths)
        total += w;
    // Narrowed alike when the line cannot hold them, widened alike to fill it when it can.
    if (total > 0)
        for (double& w : widths)
            w *= SheetGeometry::lineWidth / total;
    return widths;
}

} // namespace

int rowsPerSheet()
{
    return static_cast<int>(std::floor(SheetGeometry::rowArea / SheetGeometry::smallestRow));
}

double sheetRowHeight(int rows)
{
    if (rows <= 0)
        return SheetGeometry::largestRow;
    return std::clamp(SheetGeometry::rowArea / rows, SheetGeometry::smallestRow, SheetGeometry::largestRow);
}

std::vector<RosterSheet> rosterSheets(const Students& students, const std::vector<int16_t>& classes,
                                      const DistributionTable& distribution, const SheetColumns& columns,
                                      RosterOrder order)
{
    QStringList headings{QStringLiteral("No.")};
    headings << columns.headings;
    std::vector<bool> numeric{true};
    numeric.insert(numeric.end(), columns.numeric.begin(), columns.numeric.end());
    numeric.resize(static_cast<size_t>(headings.size()), false);
    const int perSheet = rowsPerSheet();

    std::vector<RosterSheet> sheets;
    std::vector<QStringList> everyRow; // for the widths, alike on every page
    for (const int classNumber : classesInUse(classes)) {
        const std::vector<int> rows = rosterRows(students, classes, classNumber, order);
        const int parts = std::max(1, static_cast<int>((rows.size() + perSheet - 1) / perSheet));
        for (int part = 1; part <= parts; ++part) {
            RosterSheet sheet;
            sheet.title = classLabel(classNumber);
            if (parts > 1)
                sheet.title += QStringLiteral("（%1/%2）").arg(part).arg(parts);
            sheet.headings = headings;
            sheet.numeric = numeric;
            const size_t first = static_cast<size_t>(part - 1) * perSheet;
            const size_t last = std::min(rows.size(), first + perSheet);
            for (size_t i = first; i < last; ++i) {
                QStringList cells{QString::number(i + 1)};
                cells << columns.cells(rows[i]);
                sheet.rows.push_back(cells);
                everyRow.push_back(cells);
            }
            sheet.rowHeight = sheetRowHeight(static_cast<int>(sheet.rows.size()));
            if (part == parts) {
                const ClassFigures figures = classFigures(students, classes, distribution, classNumber);
                sheet.hasFigures = true;
                sheet.figures = columns.scores ? figuresText(figures) : QStringLiteral("%1人").arg(figures.headCount);
                for (int b = 1; b <= 6; ++b)
                    sheet.bandCounts.emplace_back(stratumText(b, distribution.bands), figures.bandCounts[b]);
            }
            sheets.push_back(std::move(sheet));
        }
    }
    const std::vector<double> widths = columnWidths(headings, everyRow);
    for (RosterSheet& sheet : sheets)
        sheet.widths = widths;
    return sheets;
}

std::vector<RosterSheet> rosterSheets(const Students& students, const std::vector<int16_t>& classes,
                                      const DistributionTable& distribution, const SpreadRules& rules,
                                      RosterOrder order)
{
    const RosterColumns own = rosterColumns(students, rules);
    SheetColumns columns{own.headings, {}, [&](int row) { return rosterCells(students, rules, own, row); }, true};
    columns.numeric.resize(static_cast<size_t>(own.headings.size()), false);
    columns.numeric[static_cast<size_t>(own.scoreColumn)] = true;
    return rosterSheets(students, classes, distribution, columns, order);
}

std::vector<RosterSheet> meetingSheets(const Students& students, const std::vector<int16_t>& classes,
                                       const DistributionTable& distribution, const PaperColumns& columns,
                                       const std::vector<int>& chosen, RosterOrder order)
{
    SheetColumns sheet;
    sheet.scores = false;
    for (const int c : chosen) {
        const PaperColumn& column = columns.columns[static_cast<size_t>(c)];
        sheet.headings << column.heading;
        sheet.numeric.push_back(column.score);
        sheet.scores = sheet.scores || column.kind == PaperColumnKind::Score;
    }
    sheet.cells = [&](int row) {
        QStringList cells;
        for (const int c : chosen)
            cells << columns.cell(c, row);
        return cells;
    };
    return rosterSheets(students, classes, distribution, sheet, order);
}

} // namespace classdiv
