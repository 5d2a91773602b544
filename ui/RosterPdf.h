#pragma once
// Paints the pages of the class lists (the meeting sheets) into a PDF, one
// sheet a page, every copy after the other, each page under the confidential
// header of its copy.

#include "export/PaperHeader.h"
#include "export/RosterSheets.h"

#include <QByteArray>

#include <vector>

namespace classdiv {

// The whole PDF, in memory, so the file is written in one piece.
QByteArray rosterPdf(const std::vector<RosterSheet>& sheets, const PaperCopies& copies);

} // namespace classdiv
