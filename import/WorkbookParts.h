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
// A cell of an .xlsx may stand for a shared string not read yet: its index
// is kept until resolve() gives the texts of the indices asked for.
class Grid {
public:
    explicit Grid(const WorkbookLimits& limits) : m_limits(limits) {}

    // False when the sheet passes a limit; status() says which.
    bool set(qint64 row, qint64 column, QString text)
    {
        if (text.isEmpty())
            return true;
        if (!add(row, column, -1))
            return false;
        return count(m_cells.back().text = std::move(text));
    }
    bool setShared(qint64 row, qint64 column, int index) { return add(row, column, index); }
    WorkbookStatus status() const { return m_status; }

    // The shared strings the cells stand for, each once.
    std::vector<int> sharedIndices() const
    {
        std::vector<int> indices;
        for (const Cell& cell : m_cells)
            if (cell.shared >= 0)
                indices.push_back(cell.shared);
        std::sort(indices.begin(), indices.end());
        indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
        return indices;
    }
    // The texts of sharedIndices(), in their order; false past a limit.
    bool resolve(const std::vector<int>& indices, const QStringList& texts)
    {
        for (Cell& cell : m_cells) {
            if (cell.shared < 0)
                continue;
            const auto at = std::lower_bound(indices.begin(), indices.end(), cell.shared) - indices.begin();
            cell.text = texts.value(at);
            cell.shared = -1;
            if (!count(cell.text))
                return false;
        }
        return true;
    }

    // Rows padded to the widest; a later cell at the same place wins.
    WorkbookStatus layOut(std::vector<QStringList>& rows) const
    {
        int height = 0;
        int width = 0;
        for (const Cell& cell : m_cells) {
            if (!cell.text.isEmpty()) {
                height = std::max(height, cell.row + 1);
                width = std::max(width, cell.column + 1);
            }
        }
        if (qint64(height) * width > m_limits.maxCells)
            return WorkbookStatus::TooManyCells;
        QStringList empty;
        for (int c = 0; c < width; ++c)
            empty.append(QString());
        rows.assign(size_t(height), empty);
        for (const Cell& cell : m_cells)
            if (!cell.text.isEmpty())
                rows[size_t(cell.row)][cell.column] = cell.text;
        return WorkbookStatus::Ok;
    }

private:
    bool add(qint64 row, qint64 column, int shared)
    {
        if (row >= m_limits.maxRows) {
            m_status = WorkbookStatus::TooManyRows;
            return false;
        }
        if (column >= kMaxColumns || qsizetype(m_cells.size()) >= m_limits.maxCells) {
            m_status = WorkbookStatus::TooManyCells;
            return false;
        }
        m_cells.push_back({int(row), int(column), shared, {}});
        return true;
    }
    bool count(const QString& text)
    {
        m_chars += text.size();
        if (m_chars <= m_limits.maxChars)
            return true;
        m_status = WorkbookStatus::SheetTooLarge;
        return false;
    }

    struct Cell {
        int row;
        int column;
        int shared; // the shared string's index until resolved; -1 for a text of its own
        QString text;
    };
    WorkbookLimits m_limits;
    std::vector<Cell> m_cells;
    qsizetype m_chars = 0;
    WorkbookStatus m_status = WorkbookStatus::Ok;
};

struct PartOutcome {
    WorkbookStatus status = WorkbookStatus::Ok;
    QByteArray bytes;
};
// A part of the archive; NoSheet stands for a part that is not there.
PartOutcome readPart(ZipArchive& zip, const QString& name);

WorkbookSheet failed(WorkbookStatus status, const QString& part = QString(), QStringList names = {});
// The A1 reference of a 0-based row and column.
QString cellReference(qint64 row, qint64 column);
// Formulas written without their last value (by a script, or with manual
// calculation): the first few named by their cells, all counted.
struct FormulaCells {
    static constexpr int kNamed = 5;
    QStringList named;
    int count = 0;
    void add(qint64 row, qint64 column)
    {
        if (++count <= kNamed)
            named.append(cellReference(row, column));
    }
};
// The refusal of the sheet named for such formulas.
WorkbookSheet refusedForFormulas(const QString& sheet, const QStringList& names, const FormulaCells& formulas);
// The sheet names[index], its cells laid out from the grid read of it.
WorkbookSheet laidOut(const Grid& grid, const QStringList& names, qsizetype index);

// An ISO date (or date and time) as yyyy/m/d; the text itself when it is none.
QString isoDate(const QString& text);

WorkbookSheet readXlsx(ZipArchive& zip, const QString& wanted, const WorkbookLimits& limits);
WorkbookSheet readOds(ZipArchive& zip, const QString& wanted, const WorkbookLimits& limits);

} // namespace classdiv::workbook
