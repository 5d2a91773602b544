#pragma once
// What the readers of the two workbook formats share: the grid the cells are
// gathered in, a part read from the archive, and the outcome of a refusal.
// Used by Workbook.cpp, WorkbookXlsx.cpp and WorkbookOds.cpp only.

#include "import/WorkbookSheet.h"
#include "import/ZipArchive.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace classdiv::workbook {

inline constexpr int kMaxColumns = 16384; // both programs' widest sheet

// The cells holding something, gathered in any order, laid out at the end.
class Grid {
public:
    explicit Grid(const WorkbookLimits& limits) : m_limits(limits) {}

    // False when the sheet passes a limit; status() says which.
    bool set(qint64 row, qint64 column, QString text)
    {
        if (text.isEmpty())
            return true;
        if (row >= m_limits.maxRows) {
            m_status = WorkbookStatus::TooManyRows;
            return false;
        }
        if (column >= kMaxColumns || qsizetype(m_cells.size()) >= m_limits.maxCells) {
            m_status = WorkbookStatus::TooManyCells;
            return false;
        }
        m_rows = std::max(m_rows, int(row) + 1);
        m_width = std::max(m_width, int(column) + 1);
        m_cells.push_back({int(row), int(column), std::move(text)});
        return true;
    }
    WorkbookStatus status() const { return m_status; }

    // Rows padded to the widest; a later cell at the same place wins.
    WorkbookStatus layOut(std::vector<QStringList>& rows) const
    {
        if (qint64(m_rows) * m_width > m_limits.maxCells)
            return WorkbookStatus::TooManyCells;
        QStringList empty;
        for (int c = 0; c < m_width; ++c)
            empty.append(QString());
        rows.assign(size_t(m_rows), empty);
        for (const Cell& cell : m_cells)
            rows[size_t(cell.row)][cell.column] = cell.text;
        return WorkbookStatus::Ok;
    }

private:
    struct Cell {
        int row;
        int column;
        QString text;
    };
    WorkbookLimits m_limits;
    std::vector<Cell> m_cells;
    int m_rows = 0;
    int m_width = 0;
    WorkbookStatus m_status = WorkbookStatus::Ok;
};

struct PartOutcome {
    WorkbookStatus status = WorkbookStatus::Ok;
    QByteArray bytes;
};
// A part of the archive; NoSheet stands for a part that is not there.
PartOutcome readPart(ZipArchive& zip, const QString& name);

WorkbookSheet failed(WorkbookStatus status, const QString& part = QString(), QStringList names = {});
// The sheet names[index], its cells laid out from the grid read of it.
WorkbookSheet laidOut(const Grid& grid, const QStringList& names, qsizetype index);

// An ISO date (or date and time) as yyyy/m/d; the text itself when it is none.
QString isoDate(const QString& text);

WorkbookSheet readXlsx(ZipArchive& zip, const QString& wanted, const WorkbookLimits& limits);
WorkbookSheet readOds(ZipArchive& zip, const QString& wanted, const WorkbookLimits& limits);

} // namespace classdiv::workbook
