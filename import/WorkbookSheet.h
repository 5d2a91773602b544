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
    EncryptedOds, // a password-protected LibreOffice workbook (its manifest names the encryption)
    OldExcel,     // an Excel 97-2003 workbook (.xls)
    ZipBomb,      // a part inflates past the limit
    Malformed,    // a broken ZIP or XML that is not well formed; `part` names it
    NoSheet,      // the workbook has no such sheet
    NoSheetPart,  // the workbook lists the sheet, but its part is missing; `part` names the sheet
    DocType,      // an XML part holds a DOCTYPE, which no spreadsheet program writes; `part` names it
    TooDeep,      // an XML part nests its elements deeper, or runs longer without markup, than any
                  // spreadsheet program writes; `part` names it
    CellTooLong,  // a cell holds more than 32,767 characters (Excel's limit); `part` names the sheet
    SheetTooLarge, // the cells of the sheet hold more text than any roster; `part` names the sheet
    Formulas,     // formulas without their last value; `part` names the sheet, `cells` the first cells
    TooManyRows,  // something stands below limits.maxRows
    TooManyCells, // the rows times the widest row exceed limits.maxCells
};

struct WorkbookLimits {
    int maxRows = 501;
    qsizetype maxCells = 32767;
    qsizetype maxChars = 2 * 1024 * 1024; // the text of all cells read
};

struct WorkbookSheet {
    WorkbookStatus status = WorkbookStatus::Ok;
    QString part;           // the broken part (Malformed), or the sheet not found (NoSheet)
    QStringList cells;      // Formulas: the first cells holding one, as A1 references
    QStringList sheetNames; // in tab order, known once the workbook's list was read
    QString sheetName;      // the sheet read
    std::vector<QStringList> rows;
    // The furigana Excel keeps with a cell typed through the input method
    // (its phonetic runs), laid out as rows; empty when no cell has any.
    std::vector<QStringList> phonetics;
};

} // namespace classdiv
