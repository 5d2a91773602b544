#pragma once
// A sheet as the workbook reader gives it back, the outcome of its read and
// the limits it is read under; shared by the reader's entry point and its
// two format readers.

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
    // The furigana Excel keeps with a cell typed through the input method
    // (its phonetic runs), laid out as rows; empty when no cell has any.
    std::vector<QStringList> phonetics;
};

} // namespace classdiv
