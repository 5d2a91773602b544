#pragma once
// The result as a workbook ready to print: a sheet 全員 with the rows of the
// result file, a sheet 分布表 with the distribution table, and a sheet for
// every class in use with its figures above its students. The sheets are
// laid out here as plain rows of cells, then written by libxlsxwriter.

#include "common/Message.h"
#include "division/lists/ClassRoster.h"
#include "division/draw/DistributionTable.h"
#include "division/lists/ScoreAverages.h"
#include "import/StudentTable.h"

#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

struct SheetCell {
    enum class Kind { Empty, Text, Number };
    Kind kind = Kind::Empty;
    QString text;
    double number = 0;
    bool oneDecimal = false; // shown with one decimal (averages)
    bool bold = false;

    static SheetCell of(const QString& text, bool bold = false) { return {Kind::Text, text, 0, false, bold}; }
    static SheetCell of(double number) { return {Kind::Number, {}, number, false, false}; }
    static SheetCell average(double number) { return {Kind::Number, {}, number, true, false}; }
};
using SheetRow = std::vector<SheetCell>;

struct ResultSheet {
    QString name;
    std::vector<SheetRow> rows;
    std::vector<double> columnWidths; // in characters, from column A
    int headingRow = -1;              // repeated at the top of every printed page; -1 for none
    QString pageHeader;               // printed at the top centre of every page
};

// A text that is a number written in its shortest form ("123", "-4.5") as
// that number, anything else ("00123", "A-12", "") as text, so that an
// identifier keeps what the roster showed.
SheetCell numberOrText(const QString& text);

// The rows of the distribution table, title first; further rows may follow them.
std::vector<SheetRow> distributionRows(const DistributionTable& distribution,
                                       const std::vector<ColumnAverages>& extraAverages = {});

// Every sheet of the result workbook, in their order.
std::vector<ResultSheet> resultSheets(const Students& students, const std::vector<int16_t>& classes,
                                      const DistributionTable& distribution, RosterOrder order,
                                      const std::vector<ColumnAverages>& extraAverages = {});

// Writes the sheets as an .xlsx file through a temporary file that replaces
// `path` only when complete. A message titled "エラー発生" on failure.
std::optional<Message> writeResultWorkbook(const std::vector<ResultSheet>& sheets, const QString& path);

// The format of a saved result: a name ending in .xlsx or .csv (any case)
// decides it; any other name takes the format of the filter chosen, and a
// workbook then gets ".xlsx" added. A CSV keeps the name as typed.
enum class ResultFormat { Csv, Workbook };
struct ResultTarget {
    QString path;
    ResultFormat format = ResultFormat::Csv;
};
ResultTarget resultTarget(const QString& chosenName, ResultFormat chosenFilter);

std::optional<Message> saveResultWorkbook(const Students& students, const std::vector<int16_t>& classes,
                                          const DistributionTable& distribution, RosterOrder order,
                                          const QString& path, const std::vector<ColumnAverages>& extraAverages = {});

} // namespace classdiv
