#pragma once
// Paints the posted lists of the new classes into a PDF, one page a class:
// the class in large type, then 出席番号 and name, nothing else.

#include "export/PostedLists.h"

#include <QByteArray>

#include <vector>

namespace classdiv {

// The whole PDF, in memory, so the file is written in one piece and no copy
// of it is ever left in a temporary folder.
QByteArray postedListsPdf(const std::vector<PostedPage>& pages);

} // namespace classdiv
