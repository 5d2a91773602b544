#pragma once
// The fields of a drafts file's lines (division/drafts/DraftsFile.h): whole
// numbers, cells and the roster's rows; texts escaped as common/TabFields.h says.

#include "division/drafts/StudentKeys.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace classdiv::draftsfields {

// A whole decimal number lo .. hi, nothing else.
std::optional<long long> wholeNumber(QStringView text, long long lo, long long hi);
// Each cell after a tab.
QByteArray cellFields(const QStringList& cells);
// A line's cells from field `first` on; nullopt when one cannot be read.
std::optional<QStringList> cellsFrom(const QList<QStringView>& fields, qsizetype first);
// A row line: row <line> <key> <id> <name> <group> <score> <cells>.
std::optional<RosterRow> rowFrom(const QList<QStringView>& fields);

} // namespace classdiv::draftsfields
