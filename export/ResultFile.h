#pragma once
// The saved result: students in input order with their new class, then the table.

#include "common/Message.h"
#include "division/DistributionTable.h"
#include "import/StudentTable.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace classdiv {

struct ResultFileContent {
    std::optional<QByteArray> bytes; // nullopt: a text cannot be written in the encoding
    int unencodableRow = -1;         // the student row (0 = item names) that cannot be written
};

// The whole file, in the encoding of the input CSV (table.encoding).
ResultFileContent formatResultFile(const StudentTable& table, const DistributionTable& distribution);

// SaveResult after a name was chosen: sets row 0's newClass to "新組" and
// writes table.resultPath. Returns a message titled "エラー発生" on failure.
std::optional<Message> saveResult(StudentTable& table, const DistributionTable& distribution);

// The message of a file that could not be written (the folder, a file in
// use, a full disk); every file the program saves says the same.
Message writeFailedMessage(const QString& path);

} // namespace classdiv
