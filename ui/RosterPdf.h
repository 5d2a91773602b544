#pragma once
// Paints the pages of the class lists into a PDF, one sheet a page.

#include "export/RosterSheets.h"

#include <QByteArray>

#include <vector>

namespace classdiv {

// The whole PDF, in memory, so the file is written in one piece.
QByteArray rosterPdf(const std::vector<RosterSheet>& sheets);

} // namespace classdiv
