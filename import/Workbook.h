#pragma once
// Reads one sheet of a spreadsheet workbook (.xlsx of Excel, .ods of
// LibreOffice) into rows of texts, each cell as the spreadsheet shows it:
// shared strings without their furigana, rich text runs joined, numbers in
// the General format's shortest form, formulas by their last value, dates
// as yyyy/m/d, booleans as TRUE/FALSE, errors by their text. Rows run to
// the last row holding something and are all as wide as the widest.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace classdiv {

enum class WorkbookStatus {
    Ok,
    Unreadable,   // cannot be opened
    FileTooLarge, // larger than any roster's workbook can be; not read
    NotZip,       // neither a ZIP nor an Office file
    NotWorkbook,  // a ZIP, but no spreadsheet in it
    Encrypted,    // a password-protected Excel workbook (an OLE container holding the encrypted package)
    OldExcel,     // an Excel 97-2003 workbook (.xls)
    ZipBomb,      // a part inflates past the limit
    Malformed,    // a broken ZIP or XML that is not well formed; `part` names it
    NoSheet,      // the workbook has no such sheet, or the sheet's part is missing
    TooManyRows,  // something stands below limits.maxRows
    TooManyCells, // the rows times the widest row exceed limits.maxCells
};

struct WorkbookLimits {
    int maxRows = 501;
    qsizetype maxCells = 32767;
};

struct WorkbookSheet {
    WorkbookStatus status = WorkbookStatus::Ok;
    QString part;           // the broken part (Malformed), or the sheet not found (NoSheet)
    QStringList sheetNames; // in tab order, known once the workbook's list was read
    QString sheetName;      // the sheet read
    std::vector<QStringList> rows;
};

// The sheet named sheetName, or the first in tab order when it is empty.
WorkbookSheet readWorkbook(const QByteArray& bytes, const QString& sheetName = QString(),
                           const WorkbookLimits& limits = {});
WorkbookSheet readWorkbookFile(const QString& path, const QString& sheetName = QString(),
                               const WorkbookLimits& limits = {});

// Whether a file name is a workbook's (.xlsx, .xlsm, .ods, .xls), which the
// import reads with readWorkbook rather than as a CSV.
bool isWorkbookName(const QString& fileName);

// The General format's text of a number: at most 15 significant digits, no
// trailing zeros (150.00000000000003 gives 150).
QString generalNumber(double value);
// The yyyy/m/d of a spreadsheet's date serial number; empty outside the
// years a spreadsheet can show.
QString serialDate(double serial, bool from1904 = false);

} // namespace classdiv
