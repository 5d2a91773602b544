#pragma once
// The check sheet (export/CheckSheet.h) on A4 portrait pages: the title and
// 「機密」 on every page, the roster, its fingerprint, the draft and the time, the verdict, one row a
// rule (broken rows first and in bold), the spread of averages and the lines
// the 学年主任 signs. The same pages go into the PDF and onto the screen.

#include "export/CheckSheet.h"

#include <QByteArray>
#include <QImage>

namespace classdiv {

// How many pages the sheet takes.
int checkSheetPageCount(const CheckSheet& sheet);

// The whole PDF in memory, so that the file is written in one piece.
QByteArray checkSheetPdf(const CheckSheet& sheet);

// One page as a picture for the screen, `dpi` dots an inch.
QImage checkSheetPageImage(const CheckSheet& sheet, int page, double dpi);

} // namespace classdiv
