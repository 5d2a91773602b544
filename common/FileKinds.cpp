#include "common/FileKinds.h"

#include <array>
#include <utility>

namespace classdiv {

namespace {

constexpr std::array<std::pair<FileKind, const char*>, 5> kEndings{{
    {FileKind::Csv, "csv"},
    {FileKind::Xlsx, "xlsx"},
    {FileKind::Xlsm, "xlsm"},
    {FileKind::Ods, "ods"},
    {FileKind::Xls, "xls"},
}};

} // namespace

FileKind fileKindOf(const QString& fileName)
{
    for (const auto& [kind, ending] : kEndings)
        if (fileName.endsWith(u'.' + QLatin1String(ending), Qt::CaseInsensitive))
            return kind;
    return FileKind::Other;
}

bool isWorkbookName(const QString& fileName)
{
    const FileKind kind = fileKindOf(fileName);
    return kind != FileKind::Csv && kind != FileKind::Other;
}

bool isRosterName(const QString& fileName)
{
    return fileKindOf(fileName) != FileKind::Other;
}

QStringList rosterNamePatterns()
{
    QStringList patterns;
    for (const auto& [kind, ending] : kEndings)
        patterns << QStringLiteral("*.") + QLatin1String(ending);
    return patterns;
}

} // namespace classdiv
