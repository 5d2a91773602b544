#pragma once
// Reads one sheet of a spreadsheet workbook (.xlsx of Excel, .ods of
// LibreOffice) into rows of texts, each cell as the spreadsheet shows it
// (an .xlsx cell's furigana kept apart, in phonetics): rich text runs joined, numbers in
// the General format's shortest form, formulas by their last value, dates
// as yyyy/m/d, booleans as TRUE/FALSE, errors by their text. Rows run to
// the last row holding something and are all as wide as the widest.

#include "import/WorkbookSheet.h"

#include <QByteArray>
#include <QString>

namespace classdiv {

// The sheet named sheetName, or the first in tab order when it is empty.
WorkbookSheet readWorkbook(const QByteArray& bytes, const QString& sheetName = QString(),
                           const WorkbookLimits& limits = {});
WorkbookSheet readWorkbookFile(const QString& path, const QString& sheetName = QString(),
                               const WorkbookLimits& limits = {});

// The General format's text of a number: at most 15 significant digits, no
// trailing zeros (150.00000000000003 gives 150).
QString generalNumber(double value);
// The yyyy/m/d of a spreadsheet's date serial number; empty outside the
// years a spreadsheet can show.
QString serialDate(double serial, bool from1904 = false);

} // namespace classdiv
