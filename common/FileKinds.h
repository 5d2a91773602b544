#pragma once
// What kind of file a name is, by its ending: the one place that tells a CSV
// from a workbook, for the file list, the start file, the roster's reader and
// the result file.

#include <QString>
#include <QStringList>

namespace classdiv {

enum class FileKind {
    Csv,   // .csv
    Xlsx,  // .xlsx: what the program writes a result workbook as
    Xlsm,  // .xlsm: an Excel workbook with macros, read like .xlsx
    Ods,   // .ods (LibreOffice Calc)
    Xls,   // .xls: Excel's old format, recognised only to say it cannot be read
    Other
};

// Letter case is ignored (NEN1.CSV is a CSV).
FileKind fileKindOf(const QString& fileName);

// A workbook (.xlsx, .xlsm, .ods, .xls): read as a sheet, not as CSV text.
bool isWorkbookName(const QString& fileName);
// A roster the program offers to open: a CSV or a workbook.
bool isRosterName(const QString& fileName);
// The same as name patterns of a folder listing ("*.csv", "*.xlsx", ...).
QStringList rosterNamePatterns();

} // namespace classdiv
