#pragma once
// The parts of an .xlsx around its worksheets: relationships, styles and
// shared strings, and the text of a string item. Used by WorkbookXlsx.cpp only.

#include "import/WorkbookXml.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace classdiv::workbook {

// A part name resolved against the folder of the part that refers to it.
QString resolvePart(const QString& folder, const QString& target);
QString folderOf(const QString& part);
// The relationships part of a part: xl/workbook.xml -> xl/_rels/workbook.xml.rels.
QString relsOf(const QString& part);

struct Relationship {
    QString type; // its last path segment: "officeDocument", "worksheet", "sharedStrings", "styles"
    QString target;
};
// Relationship id -> type and resolved target, read to the part's end.
QHash<QString, Relationship> readRelationships(PartXml& xml, const QString& folder);

struct Styles {
    std::vector<bool> dateStyle; // by the cell's s attribute
};
Styles readStyles(PartXml& xml);

// The texts of the string items at the sorted indices, in their order, and
// how many items the part holds; items not asked for are passed over.
// `readings`, when given, gets the furigana of each text beside it.
QStringList readSharedStrings(PartXml& xml, const std::vector<int>& indices, qsizetype& itemCount,
                              QStringList* readings = nullptr);

// The text of every <t> below the current element, leaving out phonetic
// runs (<rPh>: the furigana Japanese Excel keeps beside a name typed through
// the IME), with Excel's escapes decoded; nullopt past a cell's length.
// `reading`, when given, gets the text with those runs in place of the
// characters they cover (WorkbookReadings.h).
std::optional<QString> stringItem(PartXml& xml, QString* reading = nullptr);

// Excel's escapes of characters XML cannot hold: _x000D_ is a carriage
// return, _x005F_ an underscore (so that _x005F_x000D_ is the text _x000D_).
QString decodeEscapes(const QString& text);

// "BC12" -> column 54 (0-based) and row 11; nullopt for anything else.
std::optional<std::pair<qint64, qint64>> cellPosition(QStringView reference);

} // namespace classdiv::workbook
