#pragma once
// Paints the student cards (export/StudentCards.h) into a PDF: 2 × 8 cards a
// page between cut lines, the notes' pages after them, every copy after the
// other under the confidential header of its copy.

#include "export/PaperHeader.h"
#include "export/StudentCards.h"

#include <QByteArray>
#include <QColor>

namespace classdiv {

QByteArray cardsPdf(const CardSheets& sheets, const PaperCopies& copies);

// The colour bar's look for a palette index: a colour and a hatching that
// tell the values apart on a grey-scale copy too (the value is printed on
// the bar as well).
struct BarLook {
    QColor colour;
    int hatch = 0; // 0 none, 1 across, 2 upright, 3 rising, 4 falling, 5 grid, 6 crossed, 7 dots
};
BarLook barLook(int index);

} // namespace classdiv
