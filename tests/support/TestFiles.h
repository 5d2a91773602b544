#pragma once
// Temporary folders and files for tests, written as exact bytes.

#include "import/ImportActions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace classdiv::testing {

// Writes bytes to path (folders created); returns false on failure.
bool writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

// Text encoded in CP932; aborts the test program on an unencodable text.
QByteArray cp932(const QString& text);

// lineCount CR LF-ended lines of fieldsPerLine fields, the first of item names.
inline QString studentLines(int lineCount, int fieldsPerLine)
{
    QString text;
    for (int line = 0; line < lineCount; ++line) {
        QStringList fields;
        for (int f = 1; f <= fieldsPerLine; ++f)
            fields.append(line == 0 ? QStringLiteral("項目%1").arg(f) : QString::number(line * 100 + f));
        text += fields.join(u',') + QStringLiteral("\r\n");
    }
    return text;
}

// Reads nen1.csv of `folder`, the example year, as the import window does: columns 1, 3, 6, 7 of 14,
// or another column as the name.
inline bool readExampleYear(const QString& folder, StudentTable& table, const QString& nameColumn = QStringLiteral("3"))
{
    ImportWindowState state;
    const QString name = QStringLiteral("nen1.csv");
    return !preview({folder, folder, name, name}, state, table).message &&
           !readColumns({"14", "1", nameColumn, "6", "7"}, state, table).message && table.lineCount == 241;
}

// A folder under /tmp removed at the end of the test.
class TempFolder {
public:
    TempFolder();
    QString path() const;
    QString file(const QString& name) const; // path()/name
private:
    QTemporaryDir m_dir;
};

} // namespace classdiv::testing
