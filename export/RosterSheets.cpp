#include "export/RosterSheets.h"


#include <algorithm>
#include <cmath>

namespace classdiv {

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
                                      const DistributionTable& distribution, const SpreadRules& rules,
                                      RosterOrder order)
{
    const RosterColumns columns = rosterColumns(students, rules);
    QStringList headings{QStringLiteral("No.")};
    headings << columns.headings;
    const int perSheet = rowsPerSheet();

    std::vector<RosterSheet> sheets;
    for (const int classNumber : classesInUse(classes)) {
        const std::vector<int> rows = rosterRows(students, classes, classNumber, order);
        const int parts = std::max(1, static_cast<int>((rows.size() + perSheet - 1) / perSheet));
        for (int part = 1; part <= parts; ++part) {
            RosterSheet sheet;
            sheet.title = classLabel(classNumber);
            if (parts > 1)
                sheet.title += QStringLiteral("（%1/%2）").arg(part).arg(parts);
            sheet.headings = headings;
            const size_t first = static_cast<size_t>(part - 1) * perSheet;
            const size_t last = std::min(rows.size(), first + perSheet);
            for (size_t i = first; i < last; ++i) {
                QStringList cells{QString::number(i + 1)};
                cells << rosterCells(students, rules, columns, rows[i]);
                sheet.rows.push_back(cells);
            }
            sheet.rowHeight = sheetRowHeight(static_cast<int>(sheet.rows.size()));
            if (part == parts) {
                const ClassFigures figures = classFigures(students, classes, distribution, classNumber);
                sheet.hasFigures = true;
                sheet.figures = figuresText(figures);
                for (int b = 1; b <= 6; ++b)
                    sheet.bandCounts.emplace_back(stratumText(b, distribution.bands), figures.bandCounts[b]);
            }
            sheets.push_back(std::move(sheet));
        }
    }
    return sheets;
}

} // namespace classdiv
