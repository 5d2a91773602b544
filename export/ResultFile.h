#pragma once
// The saved result: students in input order with their new class, then the table.

#include "common/FileMessages.h"
#include "common/Message.h"
#include "division/draw/DistributionTable.h"
#include "import/StudentTable.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

struct ResultFileContent {
    std::optional<QByteArray> bytes; // nullopt: a text cannot be written in the encoding
    int unencodableRow = -1;         // the student row (0 = item names) that cannot be written
};

// The whole file, in the encoding of the input CSV. `classes` gives the class
// of every student row (empty before the first press: every class is then 0).
ResultFileContent formatResultFile(const Students& students, const std::vector<int16_t>& classes,
                                   const DistributionTable& distribution);

// SaveResult after a name was chosen: writes the file under exactly that
// name. Returns a message titled "エラー発生" on failure.
std::optional<Message> saveResult(const Students& students, const std::vector<int16_t>& classes,
                                  const DistributionTable& distribution, const QString& path);

// The message of a student row (0 = item names) whose identifier, name or
// group cannot be written in the roster's encoding; nothing was saved.
Message unwritableTextMessage(const Students& students, int row);

} // namespace classdiv
