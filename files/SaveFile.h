#pragma once
// A whole file the teacher asked for (a PDF, an image, a list) saved under
// the name chosen: through a temporary file and a rename
// (common/TextFile.h, writeFileAtomically), with the program's one message
// when it cannot be written (common/FileMessages.h).

#include "common/FileMessages.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace classdiv {

// nullopt when saved; else the message, and any file of that name is as it was.
std::optional<Message> saveWholeFile(const QString& path, const QByteArray& bytes, const QString& what);

} // namespace classdiv
