#pragma once
// Student files for the import tests.

#include <QString>
#include <QStringList>

#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace classdiv::testing {

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

} // namespace classdiv::testing
